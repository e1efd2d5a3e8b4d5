#include "viewer/platform/user_port.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace quillon::platform {

namespace {

// The next scripted answer, or nothing (Cancel) when the script is exhausted.
template <class T>
std::optional<T> takeFront(std::deque<std::optional<T>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<T> a;
    a.swap(answers.front());
    answers.pop_front();
    return a;
}

QStringList qtFilterParts(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        const QString tail = QLatin1Char('(') + pattern + QLatin1Char(')');
        // Qt reads the patterns from the last parentheses of each entry.
        const QString patterns = QString(pattern).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (desc.endsWith(tail))
            out << desc.left(desc.size() - tail.size()) + QLatin1Char('(') + patterns + QLatin1Char(')');
        else
            out << desc + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out;
}

}  // namespace

QString toQtFilter(const QString& filter) { return qtFilterParts(filter).join(QStringLiteral(";;")); }

QString selectedQtFilter(const QString& filter, int index) {
    const QStringList parts = qtFilterParts(filter);
    if (index < 1 || index > parts.size()) return {};
    return parts[index - 1];
}

QString withDefaultExtension(const QString& path, const QString& defaultExt) {
    if (path.isEmpty() || defaultExt.isEmpty()) return path;
    if (!QFileInfo(path).suffix().isEmpty()) return path;
    QString ext = defaultExt;
    if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    return path + QLatin1Char('.') + ext;
}

void QtUserPort::message(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtUserPort::confirm(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtUserPort::openFile(QWidget* parent, const FileDialogRequest& req) {
    QString selected = selectedQtFilter(req.filter, req.filterIndex);
    const QString path = QFileDialog::getOpenFileName(parent, req.title, req.initialName,
                                                      toQtFilter(req.filter), &selected);
    if (path.isEmpty()) return std::nullopt;
    return QFileInfo(path).absoluteFilePath();
}

std::optional<QString> QtUserPort::saveFile(QWidget* parent, const FileDialogRequest& req) {
    QFileDialog dialog(parent, req.title, req.initialName, toQtFilter(req.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QString ext = req.defaultExt;
    if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    dialog.setDefaultSuffix(ext);
    if (!req.promptOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QString selected = selectedQtFilter(req.filter, req.filterIndex);
    if (!selected.isEmpty()) dialog.selectNameFilter(selected);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
}

std::optional<QColor> QtUserPort::chooseColor(QWidget* parent, const QColor& initial) {
    const QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid()) return std::nullopt;
    return c;
}

bool QtUserPort::openDocument(const QString& path) {
    if (!QFileInfo::exists(path)) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void ScriptedUserPort::message(QWidget*, const QString& text) { messages << text; }

bool ScriptedUserPort::confirm(QWidget*, const QString& text) {
    confirmations << text;
    if (confirmAnswers.empty()) return false;
    const bool a = confirmAnswers.front();
    confirmAnswers.pop_front();
    return a;
}

std::optional<QString> ScriptedUserPort::openFile(QWidget*, const FileDialogRequest& req) {
    fileRequests.push_back(req);
    return takeFront(fileAnswers);
}

std::optional<QString> ScriptedUserPort::saveFile(QWidget*, const FileDialogRequest& req) {
    fileRequests.push_back(req);
    std::optional<QString> a = takeFront(fileAnswers);
    if (a) a = withDefaultExtension(*a, req.defaultExt);
    return a;
}

std::optional<QColor> ScriptedUserPort::chooseColor(QWidget*, const QColor&) {
    return takeFront(colorAnswers);
}

bool ScriptedUserPort::openDocument(const QString& path) {
    openedDocuments << path;
    return openDocumentResult;
}

}  // namespace quillon::platform
