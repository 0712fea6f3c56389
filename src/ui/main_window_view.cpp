// The main window as the window logic's app::View: each call applied on the window's thread.
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <QTimer>

#include "app/log.h"
#include "ui/artwork.h"
#include "ui/cp1252.h"
#include "ui/lamp.h"
#include "ui/main_window.h"
#include "ui/widget_style.h"

namespace ui {

using app::Control;

namespace {

// Memo texts use LF for their line ends.
QString memoText(const std::string& text) {
    return fromCp1252(text).replace("\r\n", "\n");
}

// "Log (*.log)|*.log|All files (*.*)|*.*" -> "Log (*.log);;All files (*.*)"
QString qtFilter(const std::string& filter) {
    const QStringList parts = fromCp1252(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(';', ' ');
        filters << (description.contains('(') ? description : description + " (" + patterns + ")");
    }
    return filters.join(";;");
}

std::optional<std::string> chosenPath(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return QFile::encodeName(path).toStdString();
}

}  // namespace

void TKTRF::setEnabled(Control control, bool enabled) {
    onUiThread([&] {
        if (QTimer* t = timer(control)) {
            enabled ? t->start() : t->stop();
        } else if (QAction* a = action(control)) {
            a->setEnabled(enabled);
        } else if (QWidget* w = widget(control)) {
            w->setEnabled(enabled);
        }
    });
}

void TKTRF::setVisible(Control control, bool visible) {
    onUiThread([&] {
        if (QAction* a = action(control)) {
            a->setVisible(visible);
        } else if (QWidget* w = widget(control)) {
            w->setVisible(visible);
            if (visible) w->raise();
        }
    });
}

void TKTRF::setText(Control control, const std::string& text) {
    onUiThread([&] {
        QWidget* w = widget(control);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            edit->setText(fromCp1252(text));
        } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
            memo->setPlainText(memoText(text));
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            label->setText(fromCp1252(text));
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            button->setText(fromCp1252(text));
        } else if (QAction* a = action(control)) {
            a->setText(fromCp1252(text));
        }
    });
}

std::string TKTRF::text(Control control) {
    std::string result;
    onUiThread([&] {
        QWidget* w = widget(control);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            result = toCp1252(edit->text());
        } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
            result = toCp1252(memo->toPlainText());
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            result = toCp1252(label->text());
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            result = toCp1252(button->text());
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            result = toCp1252(combo->currentText());
        }
    });
    return result;
}

void TKTRF::setColor(Control control, app::Rgb colour) {
    onUiThread([&] {
        if (control == Control::sBussy) {
            sBussy_->setColour(toQColor(colour));
        } else if (QWidget* w = widget(control)) {
            paintBackground(w, toQColor(colour));
        }
    });
}

void TKTRF::setChecked(Control control, bool checked) {
    onUiThread([&] {
        if (QAction* a = action(control)) {
            ticks_[a] = checked;
            a->setChecked(checked);
        }
    });
}

void TKTRF::moveTo(Control control, int left, int top) {
    onUiThread([&] {
        if (QWidget* w = widget(control)) w->move(left, top);
    });
}

void TKTRF::setTimerInterval(Control control, int milliseconds) {
    onUiThread([&] {
        if (QTimer* t = timer(control)) t->setInterval(milliseconds);
    });
}

void TKTRF::setProgress(int position) {
    onUiThread([&] { progressBar_->setValue(position); });
}

void TKTRF::setProgressRange(int minimum, int maximum) {
    onUiThread([&] { progressBar_->setRange(minimum, maximum); });
}

void TKTRF::setItems(Control list, const std::vector<std::string>& items) {
    onUiThread([&] {
        QStringList texts;
        for (const std::string& item : items) texts << fromCp1252(item);
        if (list == Control::lbProducts) {
            lbProducts_->clear();
            lbProducts_->addItems(texts);
            lbProducts_->setCurrentRow(-1);
        } else if (list == Control::cbCountries) {
            cbCountries_->clear();
            cbCountries_->addItems(texts);
            cbCountries_->setCurrentIndex(-1);
        }
    });
}

void TKTRF::setSelectedIndex(Control list, int index) {
    onUiThread([&] {
        if (list == Control::lbProducts) {
            lbProducts_->setCurrentRow(index);
            if (index < 0) lbProducts_->clearSelection();
        } else if (list == Control::cbCountries) {
            cbCountries_->setCurrentIndex(index);
        }
    });
}

int TKTRF::selectedIndex(Control list) {
    int result = -1;
    onUiThread([&] {
        if (list == Control::lbProducts) {
            result = lbProducts_->selectedItems().isEmpty() ? -1 : lbProducts_->currentRow();
        } else if (list == Control::cbCountries) {
            result = cbCountries_->currentIndex();
        }
    });
    return result;
}

void TKTRF::appendLog(const std::string& entry) {
    onUiThread([&] {
        const std::vector<std::string> lines = app::splitLogEntry(entry);
        QStringList texts;
        for (const std::string& line : lines) texts << fromCp1252(line);
        logLines_.insert(logLines_.end(), lines.begin(), lines.end());
        log_->appendPlainText(texts.join('\n'));
    });
}

void TKTRF::clearLog() {
    onUiThread([&] {
        logLines_.clear();
        log_->clear();
    });
}

std::vector<std::string> TKTRF::logLines() {
    std::vector<std::string> result;
    onUiThread([&] { result = logLines_; });
    return result;
}

void TKTRF::clearRows() {
    onUiThread([&] {
        lvListFW_->clearContents();
        lvListFW_->setRowCount(0);
    });
}

void TKTRF::addRow(const app::ListRow& row) {
    onUiThread([&] {
        const int index = lvListFW_->rowCount();
        lvListFW_->insertRow(index);
        auto* caption =
            new QTableWidgetItem(row.icon == 0 ? folderIcon() : firmwareIcon(), fromCp1252(row.caption));
        lvListFW_->setItem(index, 0, caption);
        if (!row.subItems.empty())
            lvListFW_->setItem(index, 1, new QTableWidgetItem(fromCp1252(row.subItems[0])));
    });
}

int TKTRF::selectedRow() {
    int result = -1;
    onUiThread([&] {
        const QModelIndexList rows = lvListFW_->selectionModel()->selectedRows();
        result = rows.isEmpty() ? -1 : rows.front().row();
    });
    return result;
}

void TKTRF::setColumnWidths(int versionWidth, int sizeWidth) {
    onUiThread([&] {
        lvListFW_->setColumnWidth(0, versionWidth);
        lvListFW_->setColumnWidth(1, sizeWidth);
    });
}

std::optional<std::string> TKTRF::askOpenFile(const std::string& filter) {
    return chosenPath(QFileDialog::getOpenFileName(this, {}, {}, qtFilter(filter)));
}

std::optional<std::string> TKTRF::askSaveFile(const std::string& filter, const std::string& suggestedName) {
    return chosenPath(QFileDialog::getSaveFileName(this, {}, fromCp1252(suggestedName), qtFilter(filter)));
}

void TKTRF::refresh() {
    onUiThread([&] { update(); });
}

void TKTRF::processEvents() {
    onUiThread([] { QCoreApplication::processEvents(); });
}

void TKTRF::popupMenu(Control menu) {
    onUiThread([&] {
        if (menu != Control::pmOps) return;
        const QPoint at =
            btOps_->isVisible() ? btOps_->mapToGlobal(QPoint(0, btOps_->height())) : QCursor::pos();
        pmOps_->popup(at);
    });
}

}  // namespace ui
