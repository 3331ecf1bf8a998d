#pragma once
#include <QString>

namespace cot::UserRegistry {

// Key of the system's per-user values (the attachment base folder "DirArqSoli", stored
// enciphered with Criptografa::Cripto).
inline constexpr const char* kSistemasKey = "SOFTWARE/VELTRANO/Sistemas Integrados Veltrano";

// The operator's own registry of named values: an INI file (registro.ini) in the folder of
// the desktop settings (SettingsStore::defaultFolder(): ~/.config/cot or $COT_CONFIG_DIR).
// Keys are paths with '/' between their parts.
QString file();

// The stored text; empty when the key, the value or the file is missing or unreadable.
QString readString(const QString& key, const QString& valueName);
// Stores a text; failure → UserError.
void writeString(const QString& key, const QString& valueName, const QString& value);

}  // namespace cot::UserRegistry
