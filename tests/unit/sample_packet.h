#pragma once
// A packet of `rows` rows of every field type for the packet readers and writers: nulls in
// every column, accents and emoji, quotes, backslashes, brackets and control characters,
// integers past 2^53, doubles that need all their digits, dates with milliseconds and at the
// day's edges.
#include <limits>

#include "data/packet.h"

namespace cot::testing {

inline Packet samplePacket(int rows) {
    Packet p;
    p.fields = {{"TEXTO", FieldType::String, 60}, {"FIXO", FieldType::FixedString, 1},
                {"INT", FieldType::Integer, 0},   {"VALOR", FieldType::Float, 0},
                {"DATA", FieldType::DateTime, 0}, {"MEMO", FieldType::Memo, 0},
                {"ATIVO", FieldType::Boolean, 0}};
    const QString texts[] = {"Ação çãõ 中文 😀", "\"aspas\" e \\barra\\ [filial] {1}", "linha\nnova\ttab\x01\x1f", "",
                             "O'Brien, ênfase; çã ]["};
    const double doubles[] = {0.1, 0.1 + 0.2, 1e-300, std::numeric_limits<double>::max(), -2.5, 33.339,
                              std::numeric_limits<double>::denorm_min(), 123456789.123456789, -0.0, 1e21};
    const qint64 ints[] = {0, -1, 9007199254740993LL, std::numeric_limits<qint64>::max(),
                           std::numeric_limits<qint64>::min() + 1, 42};
    p.rows.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        auto maybe = [r](int every, QVariant v) { return r % every == 0 ? QVariant() : v; };
        p.rows.append({maybe(7, texts[r % 5] + QString::number(r)), maybe(11, QString(QChar(u'A' + r % 26))),
                       maybe(13, ints[r % 6] - (r % 6 == 3 ? r : 0)), maybe(17, r % 3 == 0 ? doubles[r % 10] : -doubles[r % 10]),
                       maybe(19, QDateTime(QDate(1900, 1, 1).addDays(r % 60000), QTime(r % 24, r % 60, r % 60, r % 1000))),
                       maybe(23, QString("memo {\\rtf1 %1}").arg(r)), maybe(29, r % 2 == 0)});
    }
    return p;
}

}  // namespace cot::testing
