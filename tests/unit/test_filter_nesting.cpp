// Filters nested by hand stay accepted; nesting deep enough to exhaust the parser's stack
// is refused with a filter error instead of crashing the screen that applies it.
#include <gtest/gtest.h>

#include "data/filter_expression.h"

namespace {

using cot::FilterError;
using cot::FilterExpression;

std::optional<FilterExpression::FieldInfo> resolve(const QString& name) {
    if (name.compare(QStringLiteral("NRPROPOSFAS"), Qt::CaseInsensitive) == 0)
        return FilterExpression::FieldInfo{cot::FieldType::String, 0};
    return std::nullopt;
}

QString nested(const QString& open, int depth, const QString& close) {
    return open.repeated(depth) + QStringLiteral("NRPROPOSFAS = '1'") + close.repeated(depth);
}

TEST(FilterNesting, ReasonableNestingCompiles) {
    EXPECT_NE(FilterExpression::compile(nested(QStringLiteral("("), 50, QStringLiteral(")")), resolve), nullptr);
    EXPECT_NE(FilterExpression::compile(nested(QStringLiteral("NOT "), 50, QString()), resolve), nullptr);
    EXPECT_NE(FilterExpression::compile(nested(QStringLiteral("(NOT "), 40, QStringLiteral(")")), resolve), nullptr);
}

TEST(FilterNesting, DeepNestingIsAFilterErrorNotACrash) {
    for (const int depth : {101, 5000, 100000}) {
        EXPECT_THROW(FilterExpression::compile(nested(QStringLiteral("("), depth, QStringLiteral(")")), resolve),
                     FilterError)
            << depth;
        EXPECT_THROW(FilterExpression::compile(nested(QStringLiteral("NOT "), depth, QString()), resolve), FilterError)
            << depth;
    }
}

}  // namespace
