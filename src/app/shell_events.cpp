#include "app/shell_events.h"

#include "app/log.h"
#include "app/log_file.h"

namespace app {

void ShellEvents::ActiveFormCreate() {
    activeFormCreate(view_, *this);
}

void ShellEvents::pmiSaveLogClick() {
    saveLogToDisk(view_);
}

void ShellEvents::Clear1Click() {
    view_.clearLog();
}

void ShellEvents::lbProductsClick(int index) {
    selectProduct(index, true);
}

}  // namespace app
