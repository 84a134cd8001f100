#include "app/SettingsView.h"
