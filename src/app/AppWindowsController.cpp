#include "app/AppWindowsController.h"
