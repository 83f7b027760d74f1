#include "support/Ini_Unit.h"
