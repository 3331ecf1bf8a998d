#pragma once
// Calls made at once from several connections, for the tests of numbers and sequences that
// must never repeat under concurrent desktops.
#include <functional>
#include <thread>
#include <vector>

#include "server_cases_b.h"

namespace cot::testing {

// `calls` calls of `method` from each of `threads` connections of their own, all running at
// once; every answer as text, a refusal as "erro: <message>".
inline QStringList callAtOnce(TestServer& server, int threads, int calls, const QString& method,
                              const std::function<QVariantList(int thread)>& args = {}) {
    std::vector<QStringList> answers(static_cast<size_t>(threads));
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t)
        running.emplace_back([&, t] {
            auto connection = server.newConnection();
            for (int i = 0; i < calls; ++i) {
                const RpcResult r = connection->call(method, args ? args(t) : QVariantList());
                answers[size_t(t)] << (r.ok ? r.value.toString() : "erro: " + r.error);
            }
        });
    for (std::thread& t : running) t.join();
    QStringList out;
    for (const QStringList& a : answers) out << a;
    return out;
}

inline QStringList refusalsIn(const QStringList& answers) { return answers.filter(QStringLiteral("erro: ")); }

}  // namespace cot::testing
