#pragma once
#include <QHash>
#include <QString>
#include <QStringList>

#include "base/dialogs.h"

namespace cot {

// Keyed catalogue of user-visible texts (one per screen, plus the host's standard one).
//
// Source format, UTF-8, one entry per line:  KEY|text
//   - the key ends at the first '|'; the text may contain further '|';
//   - keys are matched ignoring case and surrounding blanks; a repeated key replaces
//     the earlier text;
//   - blank lines and lines starting with '#' or ';' are ignored, as are lines without '|';
//   - in the text, "\n" stands for a line break and "\\" for one backslash; every other
//     character (accents, quotes, "%s" placeholders) is kept as written.
class TMessages {
public:
    TMessages() = default;

    // Adds the entries of a file or Qt resource (":/..."); a missing or unreadable file
    // throws UserError "Catálogo de mensagens '<path>' não encontrado.".
    void loadFromFile(const QString& path);
    // Adds the entries of a text in the format above.
    void loadFromText(const QString& text);
    static TMessages fromText(const QString& text);

    void add(const QString& key, const QString& text);
    void clear() { texts_.clear(); }
    bool contains(const QString& key) const;
    int count() const { return static_cast<int>(texts_.size()); }

    // Text of the key. An unknown key gives the key itself, so a missing entry shows up
    // as its name on screen instead of an empty box, and is logged as a warning.
    QString Msg(const QString& key) const;
    // Text of the key with each "%s" replaced, in order, by the next argument.
    QString Msg(const QString& key, const QStringList& args) const;

    // Message box with the key's text; returns the button pressed (mrYes = 6, mrNo = 7,
    // mrOk...). The help context is accepted for compatibility and not used.
    int ShowMsg(const QString& key, DialogType type, DialogButtons buttons, int helpContext = 0) const;
    // Alert whose buttons are captioned with the texts of `buttonKeys`; returns 10 for the
    // first button, 11 for the second, and so on; mrNone (0) when closed without a choice.
    // Callers go on only on the button they expect.
    int ShowMsgAlert(const QString& key, DialogType type, const QStringList& buttonKeys, int helpContext = 0) const;

    // Replaces each "%s" of the text, in order, by the next argument; extra "%s" stay.
    static QString format(const QString& text, const QStringList& args);

private:
    QHash<QString, QString> texts_;  // case-folded key → text
};

// The host's standard catalogue (maintenance confirmations such as "Canc").
const TMessages& msgMensagensPadroes();

}  // namespace cot
