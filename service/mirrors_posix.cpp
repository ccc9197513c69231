#include "service/mirrors.h"

mirror_list_c configured_mirrors() { return default_mirrors; }
