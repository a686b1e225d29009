#include "testsupport/container_builder.h"
