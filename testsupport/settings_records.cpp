#include "testsupport/settings_records.h"
