#include "app/shell_events.h"

#include "app/log.h"
#include "app/log_file.h"

namespace app {

ShellEvents::~ShellEvents() = default;

void ShellEvents::onWindowCreated() {
    activeFormCreate(view_, log_, *this);
}

void ShellEvents::onSaveLog() {
    saveLogToDisk(view_, log_);
}

void ShellEvents::onClearLog() {
    log_.clear();
}

void ShellEvents::onProductChosen(int index) {
    log_.selectProduct(index, true);
}

}  // namespace app
