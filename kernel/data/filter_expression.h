#pragma once
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

#include "field_type.h"
#include "base/errors.h"

namespace cot {

// A filter text that cannot be understood; the message says what is wrong.
class FilterError : public UserError {
public:
    using UserError::UserError;
};

// Filter expressions of client tables, compiled once and evaluated per row.
//
//   FIELD = 'text'      comparisons = <> != < > <= >= between a field and a literal or another field
//   a AND b, a OR b, NOT a, ( ... )      keywords in any case
//   FIELD IS NULL, FIELD IS NOT NULL
//
// Field names match ignoring case ([NAME WITH SPACES] also accepted). Literals are quoted
// with ' ('' is a quote inside) or bare numbers. A literal is converted to the type of the
// field it is compared with: dates as dd/mm/yyyy [hh:mm[:ss]] (no time means midnight; the
// comparison uses date and time), numbers with either decimal separator, text as is
// (comparison is case-sensitive).
//
// Empty values: a text field holds no distinction between empty and null, so an empty
// text field compares as ''. An empty number, date or boolean fails every comparison,
// = and <> alike; only IS NULL selects it (`FIELD = ''` on such a field means IS NULL,
// `FIELD <> ''` means IS NOT NULL).
class FilterExpression {
public:
    struct FieldInfo {
        FieldType type = FieldType::String;
        int index = -1;  // handed back to Row::value
    };
    // Finds a field by name; nullopt when there is none.
    using Resolver = std::function<std::optional<FieldInfo>(const QString& name)>;

    // Values of the row being tested, by field index.
    class Row {
    public:
        virtual ~Row() = default;
        virtual const QVariant& value(int index) const = 0;
    };

    // Throws FilterError. A blank text compiles to nullptr (no filter).
    static std::shared_ptr<const FilterExpression> compile(const QString& text, const Resolver& resolver);

    bool matches(const Row& row) const;

    struct Node;
    ~FilterExpression();

private:
    FilterExpression() = default;
    std::unique_ptr<Node> root_;
};

}  // namespace cot
