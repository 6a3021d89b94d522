#include "packer/PackOptions.h"
