#include "platform/linux/QtCompletionBannerPanel.h"
