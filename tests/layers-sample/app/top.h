#pragma once
#include "base/bottom.h"
