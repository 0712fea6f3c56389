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

void MainWindow::setEnabled(Control control, bool enabled) {
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

void MainWindow::setVisible(Control control, bool visible) {
    onUiThread([&] {
        if (QAction* a = action(control)) {
            a->setVisible(visible);
        } else if (QWidget* w = widget(control)) {
            w->setVisible(visible);
            if (visible) w->raise();
        }
    });
}

void MainWindow::setText(Control control, const std::string& text) {
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

std::string MainWindow::text(Control control) {
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

void MainWindow::setColor(Control control, app::Rgb colour) {
    onUiThread([&] {
        if (control == Control::busyLamp) {
            busyLamp_->setColour(toQColor(colour));
        } else if (QWidget* w = widget(control)) {
            paintBackground(w, toQColor(colour));
        }
    });
}

void MainWindow::setChecked(Control control, bool checked) {
    onUiThread([&] {
        if (QAction* a = action(control)) {
            ticks_[a] = checked;
            a->setChecked(checked);
        }
    });
}

void MainWindow::moveTo(Control control, int left, int top) {
    onUiThread([&] {
        if (QWidget* w = widget(control)) w->move(left, top);
    });
}

void MainWindow::setTimerInterval(Control control, int milliseconds) {
    onUiThread([&] {
        if (QTimer* t = timer(control)) t->setInterval(milliseconds);
    });
}

void MainWindow::setProgress(int position) {
    onUiThread([&] { progressBar_->setValue(position); });
}

void MainWindow::setProgressRange(int minimum, int maximum) {
    onUiThread([&] { progressBar_->setRange(minimum, maximum); });
}

void MainWindow::setItems(Control list, const std::vector<std::string>& items) {
    onUiThread([&] {
        QStringList texts;
        for (const std::string& item : items) texts << fromCp1252(item);
        if (list == Control::productList) {
            productList_->clear();
            productList_->addItems(texts);
            productList_->setCurrentRow(-1);
        } else if (list == Control::countryList) {
            countryList_->clear();
            countryList_->addItems(texts);
            countryList_->setCurrentIndex(-1);
        }
    });
}

void MainWindow::setSelectedIndex(Control list, int index) {
    onUiThread([&] {
        if (list == Control::productList) {
            productList_->setCurrentRow(index);
            if (index < 0) productList_->clearSelection();
        } else if (list == Control::countryList) {
            countryList_->setCurrentIndex(index);
        }
    });
}

int MainWindow::selectedIndex(Control list) {
    int result = -1;
    onUiThread([&] {
        if (list == Control::productList) {
            result = productList_->selectedItems().isEmpty() ? -1 : productList_->currentRow();
        } else if (list == Control::countryList) {
            result = countryList_->currentIndex();
        }
    });
    return result;
}

void MainWindow::appendLog(const std::string& entry) {
    onUiThread([&] {
        const std::vector<std::string> lines = app::splitLogEntry(entry);
        QStringList texts;
        for (const std::string& line : lines) texts << fromCp1252(line);
        logLines_.insert(logLines_.end(), lines.begin(), lines.end());
        log_->appendPlainText(texts.join('\n'));
    });
}

void MainWindow::clearLog() {
    onUiThread([&] {
        logLines_.clear();
        log_->clear();
    });
}

std::vector<std::string> MainWindow::logLines() {
    std::vector<std::string> result;
    onUiThread([&] { result = logLines_; });
    return result;
}

void MainWindow::clearRows() {
    onUiThread([&] {
        firmwareList_->clearContents();
        firmwareList_->setRowCount(0);
    });
}

void MainWindow::addRow(const app::ListRow& row) {
    onUiThread([&] {
        const int index = firmwareList_->rowCount();
        firmwareList_->insertRow(index);
        auto* caption =
            new QTableWidgetItem(row.icon == 0 ? folderIcon() : firmwareIcon(), fromCp1252(row.caption));
        firmwareList_->setItem(index, 0, caption);
        if (!row.subItems.empty())
            firmwareList_->setItem(index, 1, new QTableWidgetItem(fromCp1252(row.subItems[0])));
    });
}

int MainWindow::selectedRow() {
    int result = -1;
    onUiThread([&] {
        const QModelIndexList rows = firmwareList_->selectionModel()->selectedRows();
        result = rows.isEmpty() ? -1 : rows.front().row();
    });
    return result;
}

void MainWindow::setColumnWidths(int versionWidth, int sizeWidth) {
    onUiThread([&] {
        firmwareList_->setColumnWidth(0, versionWidth);
        firmwareList_->setColumnWidth(1, sizeWidth);
    });
}

std::optional<std::string> MainWindow::askOpenFile(const std::string& filter) {
    return chosenPath(QFileDialog::getOpenFileName(this, {}, {}, qtFilter(filter)));
}

std::optional<std::string> MainWindow::askSaveFile(const std::string& filter,
                                                   const std::string& suggestedName) {
    return chosenPath(QFileDialog::getSaveFileName(this, {}, fromCp1252(suggestedName), qtFilter(filter)));
}

void MainWindow::refresh() {
    onUiThread([&] { update(); });
}

void MainWindow::processEvents() {
    onUiThread([] { QCoreApplication::processEvents(); });
}

void MainWindow::popupMenu(Control menu) {
    onUiThread([&] {
        if (menu != Control::operatorPopup) return;
        const QPoint at = operatorButton_->isVisible()
                              ? operatorButton_->mapToGlobal(QPoint(0, operatorButton_->height()))
                              : QCursor::pos();
        operatorMenu_->popup(at);
    });
}

}  // namespace ui
