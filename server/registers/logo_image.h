#pragma once
// A branch's logo as it may be kept: a PNG or an SVG of at most kMaxLogoBytes, checked by
// its bytes rather than by its name. It is shown on the client's public page, so an SVG
// may draw but never run a script, handle an event, load anything from elsewhere or
// declare entities; the check refuses rather than cleans.
#include <QByteArray>
#include <QString>

namespace cot::server::registers {

inline constexpr qsizetype kMaxLogoBytes = 256 * 1024;

struct LogoCheck {
    QString type;   // "image/png" or "image/svg+xml" when good
    QString error;  // Portuguese reason when refused, empty otherwise
    bool ok() const { return error.isEmpty(); }
};

LogoCheck checkLogo(const QByteArray& bytes);

// The extension a logo of that type travels with in a register folder ("png", "svg").
QString logoExtension(const QString& type);

}  // namespace cot::server::registers
