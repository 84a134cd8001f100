#include "app/OnboardingView.h"
