// The layout name of a control ("btUpdate"), for recordings, traces and widget object names.
#pragma once

#include "app/view.h"

namespace app {

const char* controlName(Control control);

}  // namespace app
