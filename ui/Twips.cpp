#include "ui/Twips.h"
