// The one door through which the viewer talks to the user outside its own
// windows: message boxes, Yes/No confirmations, file dialogs, the colour
// chooser and "open this document with its program".  The Qt implementation
// shows real dialogs; ScriptedUserPort answers from a script and records every
// text, so that tests never block on a modal dialog.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace quillon::platform {

// A file dialog request.  `filter` is written as pairs "description|pattern"
// joined by '|' (e.g. "Text files (*.txt)|*.txt"); `filterIndex` is the
// 1-based pair chosen first.
struct FileDialogRequest {
    QString title;
    QString filter;
    int filterIndex = 1;
    QString defaultExt;        // without the dot, e.g. "txt"; appended to a bare name
    QString initialName;
    bool promptOverwrite = false;
};

class UserPort {
public:
    virtual ~UserPort() = default;
    // Shows `text` (lines joined by CR LF) in a message box with an OK button.
    virtual void message(QWidget* parent, const QString& text) = 0;
    // Asks `text` with the buttons Yes and No; true for Yes.
    virtual bool confirm(QWidget* parent, const QString& text) = 0;
    // File dialogs: the chosen full path, or nothing on Cancel.
    virtual std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& req) = 0;
    virtual std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& req) = 0;
    // Colour chooser; nothing on Cancel.
    virtual std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) = 0;
    // Opens a document with the program associated with it; false on failure.
    virtual bool openDocument(const QString& path) = 0;
};

// Converts "desc|pattern|desc|pattern" into Qt's "desc (pattern);;..." form.
// A description that already ends with its pattern in parentheses is kept.
QString toQtFilter(const QString& filter);
// The Qt filter string of pair `index` (1-based) of `filter`, or empty.
QString selectedQtFilter(const QString& filter, int index);
// Appends "." + defaultExt to a file name that has no extension.
QString withDefaultExtension(const QString& path, const QString& defaultExt);

class QtUserPort final : public UserPort {
public:
    void message(QWidget* parent, const QString& text) override;
    bool confirm(QWidget* parent, const QString& text) override;
    std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& req) override;
    std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& req) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) override;
    bool openDocument(const QString& path) override;
};

// Test double: every call is recorded in `log` as "<kind>: <text>"; answers
// are taken from the queues (a missing answer means No / Cancel / failure).
class ScriptedUserPort final : public UserPort {
public:
    std::deque<bool> confirmAnswers;
    std::deque<std::optional<QString>> fileAnswers;
    std::deque<std::optional<QColor>> colorAnswers;
    bool openDocumentResult = true;

    QStringList messages;                     // texts of message()
    QStringList confirmations;                // texts of confirm()
    std::vector<FileDialogRequest> fileRequests;
    QStringList openedDocuments;

    void message(QWidget* parent, const QString& text) override;
    bool confirm(QWidget* parent, const QString& text) override;
    std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& req) override;
    std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& req) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) override;
    bool openDocument(const QString& path) override;
};

}  // namespace quillon::platform
