#pragma once
#include <QString>
#include <QStringList>

namespace cot {

class ClientTable;

// Kinds of message box, as the catalogue routines name them.
enum class DialogType { Warning, Error, Information, Confirmation, Custom };

// Button results, numbered as the host routines return them.
enum DialogResult : int {
    mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
    mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10,
    mrSecond = 11,  // ShowMsgAlert: the second named button
};

// Buttons offered by a message box (bit set).
enum DialogButton : unsigned {
    mbYes = 1u << 0, mbNo = 1u << 1, mbOK = 1u << 2, mbCancel = 1u << 3,
    mbAbort = 1u << 4, mbRetry = 1u << 5, mbIgnore = 1u << 6,
};
using DialogButtons = unsigned;

// Every question and message the user sees goes through this service, so tests can
// script the answers and record what was shown. The Qt implementation lives in host/ui.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual void error(const QString& text) = 0;
    virtual void information(const QString& text) = 0;
    // The platform's message box: returns a DialogResult (mrYes, mrNo, mrOk, ...).
    virtual int messageDlg(const QString& text, DialogType type, DialogButtons buttons) = 0;
    // Alert with named buttons: returns 0-based index of the button pressed.
    virtual int alert(const QString& text, DialogType type, const QStringList& buttonCaptions) = 0;

    // File and folder choosers; empty result when cancelled.
    virtual QStringList openFiles(const QString& caption, const QString& filter, bool multiple) = 0;
    virtual QString chooseFolder(const QString& caption, const QString& start, bool allowCreate) = 0;

    // Host search dialogs over a table. `pick` leaves the table on the chosen row and
    // returns true; `pickMany` returns the selection text ("" when cancelled); `find`
    // moves to the first row matching the typed text and returns true; its field list starts
    // on `startField` when it offers that field.
    virtual bool pick(ClientTable& table, const QString& caption, const QString& emptyText) = 0;
    virtual QString pickMany(ClientTable& table, const QString& keyField, const QString& caption) = 0;
    virtual bool find(ClientTable& table, const QString& startField = {}) = 0;

    // The service everyone uses. Never null once the application has installed one.
    static Dialogs& current();
    static void setCurrent(Dialogs* dialogs);  // not owned
    static bool installed();
};

}  // namespace cot
