// A bottom-layer file that reaches up: the layer check must refuse it.
#pragma once
#include "app/top.h"
