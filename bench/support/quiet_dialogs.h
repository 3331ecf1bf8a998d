#pragma once
// Dialogs service of the benchmarks that drive screens: nothing waits on a window.
// Messages go to stderr and are counted; questions get No / cancel / nothing chosen.
#include "base/dialogs.h"

namespace cot::bench {

class QuietDialogs : public Dialogs {
public:
    QuietDialogs() : previous_(installed() ? &current() : nullptr) { setCurrent(this); }
    ~QuietDialogs() override { setCurrent(previous_); }
    QuietDialogs(const QuietDialogs&) = delete;
    QuietDialogs& operator=(const QuietDialogs&) = delete;

    // Messages and questions seen so far (a benchmark that meets one measured the wrong thing).
    int shown() const { return shown_; }

    void error(const QString& text) override;
    void information(const QString& text) override;
    int messageDlg(const QString& text, DialogType type, DialogButtons buttons) override;
    int alert(const QString& text, DialogType type, const QStringList& buttonCaptions) override;
    QStringList openFiles(const QString& caption, const QString& filter, bool multiple) override;
    QString chooseFolder(const QString& caption, const QString& start, bool allowCreate) override;
    bool pick(ClientTable& table, const QString& caption, const QString& emptyText) override;
    QString pickMany(ClientTable& table, const QString& keyField, const QString& caption) override;
    bool find(ClientTable& table, const QString& startField) override;

private:
    void note(const char* kind, const QString& text);
    Dialogs* previous_;
    int shown_ = 0;
};

}  // namespace cot::bench
