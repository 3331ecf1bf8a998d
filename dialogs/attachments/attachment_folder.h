#pragma once
// Where the attachments of a proposal version live and which names they may be stored under.
//
//   <base>/Proposta/<number adjusted to 10>-<version adjusted to 2>/<files>
//
// The base folder is the operator's registry value "DirArqSoli", stored enciphered.
#include <QString>
#include <QStringList>

namespace cot {

class TMessages;

namespace Cli_cot05000 {
// The stored (enciphered) attachment base folder; empty when not set or unreadable.
QString RetornaDirArqSoli();
}  // namespace Cli_cot05000

namespace attachments {

// The base folder as plain text: RetornaDirArqSoli through the host's Uncripto; empty when
// not set. A value the host cannot decipher is a UserError.
QString baseFolder();
// The folder of one proposal version under `base`. A key that is not a proposal number
// and version (proposal_key.h), or a folder that a link inside `base` would lead out of
// it, is a UserError: nothing of the proposal's is read or written outside `base`.
QString versionFolder(const QString& base, const QString& number, const QString& version);
// The files of a folder, naturally sorted; none when it does not exist.
QStringList files(const QString& folder);

// Archives are stored as they are; any other file is compressed into name + ".zip".
bool isArchive(const QString& fileName);
QString storedName(const QString& fileName);

// Why a name cannot be a file of the proposal's folder (a path, "..", a device name such
// as CON or NUL, characters no desktop accepts); empty when it can.
QString nameProblem(const QString& fileName);
// Refuses a name with the catalogue's "Nome_Anexo" text naming it (UserError shown by the
// caller's boundary).
void checkName(const TMessages& catalogue, const QString& fileName);

// A file name as a menu caption shows it: '&' doubled so it is not an accelerator.
QString menuCaption(const QString& fileName);

}  // namespace attachments
}  // namespace cot
