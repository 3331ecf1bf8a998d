// The right to attach and remove files of proposals.
//
//   GetControlaAnexo(OPERADOR) → CDOPERADOR: one row when the operator holds the right
//       (listed in OPERANEXO and active), none otherwise. The code is matched ignoring
//       blanks around it and case, as operators sign in. An empty code has no right.
//       Whether a request's own requester may attach anyway is the screen's rule.
#include "server/methods/read_support.h"
#include "server/methods/attachment_methods.h"
#include "server/rpc/method_registry.h"
#include "server/rpc/reply.h"
#include "server/storage/database.h"

namespace cot::server {

namespace {

Reply getControlaAnexo(MethodContext& ctx, const Args& args) {
    return packetResult(read::shaped(ctx.db, QStringLiteral(R"SQL(
SELECT A.CDOPERADOR FROM OPERANEXO A
JOIN OPERADOR O ON O.CDOPERADOR = A.CDOPERADOR
WHERE UPPER(A.CDOPERADOR) = UPPER(:OP) AND O.IDOPERATIVO = 'A')SQL"),
                                     {{"OP", args.string(0).trimmed()}}, {read::stored("OPERANEXO", "CDOPERADOR")}));
}

}  // namespace

void registerAttachmentMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetControlaAnexo"), 1, AccessRule::session().self(0), getControlaAnexo);
}

}  // namespace cot::server
