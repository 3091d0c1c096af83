#include "platform/ui/Twips.h"
