#include "Tarvel/shell/toolops.h"

TToolOps* mForm = nullptr;
