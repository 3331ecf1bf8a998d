#pragma once

namespace cot::server {

class AccessRule;
class Args;
struct MethodContext;

// Applies a method's access rule for the session's operator before the method runs.
// Reads the rows as stored; throws a MethodError saying why the call is refused, so
// nothing is written. An open method's rule checks nothing.
void enforceAccess(const AccessRule& rule, MethodContext& context, const Args& args);

}  // namespace cot::server
