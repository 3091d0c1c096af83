#pragma once
// A map header that reaches up into a test window: the layer check must refuse it.
#include "retrospective/frmClusterDetection.h"
