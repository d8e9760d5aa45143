// Steps of the window that belong to features still to come. Each is called
// where and when its feature needs it; until the feature exists it does
// nothing and reports nothing.

#include "app/form1.h"

