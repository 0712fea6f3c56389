#include "app/shell_events.h"

#include "app/log.h"
#include "app/log_file.h"

namespace app {

ShellEvents::~ShellEvents() = default;

void ShellEvents::ActiveFormCreate() {
    activeFormCreate(view_, log_, *this);
}

void ShellEvents::pmiSaveLogClick() {
    saveLogToDisk(view_, log_);
}

void ShellEvents::Clear1Click() {
    log_.clear();
}

void ShellEvents::lbProductsClick(int index) {
    log_.selectProduct(index, true);
}

}  // namespace app
