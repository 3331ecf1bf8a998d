#pragma once
// The method tests' shared steps: calls made at once from several connections (numbers and
// sequences must never repeat under concurrent desktops), and refusals that must leave the
// database as it was.
#include <functional>
#include <thread>
#include <vector>

#include "server_cases_b.h"
#include "support/database_dump.h"

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

// Each row of `cases` sent through `save` is refused with its text, and leaves every table
// as it was (`save` may send a good row first: the refusal takes it back too).
inline void expectEachRefused(server::Database& db, const std::function<RpcResult(const QVariantList&)>& save,
                              const std::vector<std::pair<QVariantList, QString>>& cases) {
    const QString before = wholeDatabase(db);
    for (const auto& [row, message] : cases) {
        EXPECT_EQ(save(row).error, message);
        EXPECT_EQ(firstDifference(before, wholeDatabase(db)), "") << message.toStdString();
    }
}

}  // namespace cot::testing
