#pragma once
#include <QString>

namespace cot::server {
class Database;

// Failed sign-ins (FALHAENTRADA), shared by every server over the database, counted per
// name as typed, registered or not, and per client address, so that guessing is slowed
// down without anyone being locked out from elsewhere:
// - a name is held back at one address from its fifth failure there;
// - an address is held back by itself, whatever names it tries, from its twentieth
//   failure not forgiven;
// both for 30 s, doubling with each further failure up to 15 min. The right password
// forgets the failures of that name at that address (no longer counted against the
// address either). Failures are forgotten a day after the last one.
namespace signin_throttle {

inline constexpr int kFreeFailures = 4;
inline constexpr int kFreeAddressFailures = 19;
inline constexpr int kFirstPauseSeconds = 30;
inline constexpr int kLongestPauseSeconds = 15 * 60;
inline constexpr int kForgetAfterSeconds = 24 * 60 * 60;

// Seconds still to wait after `failures` failures, the last one `sinceLast` seconds ago,
// when the first `freeFailures` cost nothing.
int remainingPause(int failures, qint64 sinceLast, int freeFailures = kFreeFailures);

// The key an address is counted under: IPv4 as it is (also when written as IPv6), IPv6 by
// its /64 network, since one machine may use any address of it; empty when unknown.
QString addressKey(const QString& peerAddress);

// Counts the attempt as failed before the password is checked, in a transaction of its
// own, so that parallel guesses cannot all pass before the first failure is written.
// While the name or the address is held back, counts nothing and throws a MethodError
// ("Muitas tentativas sem sucesso. Tente novamente em N segundos.").
void reserveAttempt(Database& db, const QString& name, const QString& peerAddress);

// The password was right: the name's failures at that address are forgotten.
void forgetFailures(Database& db, const QString& name, const QString& peerAddress);

}  // namespace signin_throttle
}  // namespace cot::server
