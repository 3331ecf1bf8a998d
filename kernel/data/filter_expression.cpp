#include "filter_expression.h"

#include <QDateTime>
#include <vector>

#include "packet.h"
#include "value_format.h"

namespace cot {

namespace {

enum class Op { Eq, Ne, Lt, Gt, Le, Ge };
enum class Category { Text, Number, Date, Boolean };

Category categoryOf(FieldType t) {
    switch (t) {
    case FieldType::Integer:
    case FieldType::Float:
        return Category::Number;
    case FieldType::DateTime:
        return Category::Date;
    case FieldType::Boolean:
        return Category::Boolean;
    default:
        return Category::Text;
    }
}

Op flip(Op op) {
    switch (op) {
    case Op::Lt: return Op::Gt;
    case Op::Gt: return Op::Lt;
    case Op::Le: return Op::Ge;
    case Op::Ge: return Op::Le;
    default: return op;
    }
}

template <class T>
bool apply(Op op, const T& a, const T& b) {
    switch (op) {
    case Op::Eq: return a == b;
    case Op::Ne: return !(a == b);
    case Op::Lt: return a < b;
    case Op::Gt: return b < a;
    case Op::Le: return !(b < a);
    case Op::Ge: return !(a < b);
    }
    return false;
}

bool applyCmp(Op op, int cmp) { return apply(op, cmp, 0); }

// A value reduced to what its category compares on; `null` when there is nothing to compare.
struct Key {
    bool null = true;
    double number = 0;
    qint64 date = 0;
    bool boolean = false;
};

Key keyOf(const QVariant& v, Category cat) {
    Key k;
    if (!v.isValid() || v.isNull()) return k;
    switch (cat) {
    case Category::Number: {
        bool ok = true;
        switch (v.typeId()) {
        case QMetaType::Double: k.number = *static_cast<const double*>(v.constData()); break;
        case QMetaType::LongLong: k.number = double(*static_cast<const qlonglong*>(v.constData())); break;
        default: k.number = v.toDouble(&ok);
        }
        k.null = !ok;
        break;
    }
    case Category::Date: {
        if (v.typeId() == QMetaType::QDateTime) {
            const QDateTime& dt = *static_cast<const QDateTime*>(v.constData());
            k.null = !dt.isValid();
            if (!k.null) k.date = datafmt::dateTimeKey(dt);
        } else {
            const QDateTime dt = coerceValue(v, FieldType::DateTime).toDateTime();
            k.null = !dt.isValid();
            if (!k.null) k.date = datafmt::dateTimeKey(dt);
        }
        break;
    }
    case Category::Boolean:
        k.boolean = coerceValue(v, FieldType::Boolean).toBool();
        k.null = false;
        break;
    case Category::Text:
        break;
    }
    return k;
}

bool compareKeys(Op op, const Key& a, const Key& b, Category cat) {
    if (a.null || b.null) return false;
    switch (cat) {
    case Category::Number: return apply(op, a.number, b.number);
    case Category::Date: return apply(op, a.date, b.date);
    case Category::Boolean: return apply(op, int(a.boolean), int(b.boolean));
    default: return false;
    }
}

// Text of a value without copying when it already is a string.
const QString& textOf(const QVariant& v, QString& scratch) {
    if (v.typeId() == QMetaType::QString) return *static_cast<const QString*>(v.constData());
    scratch = (v.isValid() && !v.isNull()) ? v.toString() : QString();
    return scratch;
}

}  // namespace

struct FilterExpression::Node {
    virtual ~Node() = default;
    virtual bool eval(const Row& row) const = 0;
};

namespace {

using Node = FilterExpression::Node;
using NodePtr = std::unique_ptr<Node>;
using Row = FilterExpression::Row;

struct ConstNode : Node {
    bool value;
    explicit ConstNode(bool v) : value(v) {}
    bool eval(const Row&) const override { return value; }
};

struct AndNode : Node {
    NodePtr a, b;
    bool eval(const Row& r) const override { return a->eval(r) && b->eval(r); }
};

struct OrNode : Node {
    NodePtr a, b;
    bool eval(const Row& r) const override { return a->eval(r) || b->eval(r); }
};

struct NotNode : Node {
    NodePtr a;
    bool eval(const Row& r) const override { return !a->eval(r); }
};

struct IsNullNode : Node {
    int index;
    bool text;
    bool wantNull;
    bool eval(const Row& r) const override {
        const QVariant& v = r.value(index);
        bool isNull = !v.isValid() || v.isNull();
        if (!isNull && text) {
            QString scratch;
            isNull = textOf(v, scratch).isEmpty();
        }
        return isNull == wantNull;
    }
};

struct TextConstNode : Node {
    int index;
    Op op;
    QString literal;
    bool eval(const Row& r) const override {
        QString scratch;
        return applyCmp(op, textOf(r.value(index), scratch).compare(literal));
    }
};

struct KeyConstNode : Node {
    int index;
    Op op;
    Category cat;
    Key literal;
    bool eval(const Row& r) const override { return compareKeys(op, keyOf(r.value(index), cat), literal, cat); }
};

struct FieldFieldNode : Node {
    int left, right;
    Op op;
    Category cat;
    bool eval(const Row& r) const override {
        if (cat == Category::Text) {
            QString s1, s2;
            return applyCmp(op, textOf(r.value(left), s1).compare(textOf(r.value(right), s2)));
        }
        return compareKeys(op, keyOf(r.value(left), cat), keyOf(r.value(right), cat), cat);
    }
};

// ---------------------------------------------------------------- tokens

enum class Tok { End, Name, String, Number, Op, LParen, RParen, And, Or, Not, Is, Null };

struct Token {
    Tok kind = Tok::End;
    QString text;
    int pos = 0;
    Op op = Op::Eq;
};

[[noreturn]] void fail(const QString& detail) { throw FilterError(QStringLiteral("Filtro inválido: %1").arg(detail)); }

std::vector<Token> tokenize(const QString& s) {
    std::vector<Token> out;
    int i = 0;
    const int n = s.size();
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.pos = i;
        if (c == u'\'') {
            QString text;
            int j = i + 1;
            bool closed = false;
            while (j < n) {
                if (s[j] == u'\'') {
                    if (j + 1 < n && s[j + 1] == u'\'') {
                        text += u'\'';
                        j += 2;
                        continue;
                    }
                    closed = true;
                    break;
                }
                text += s[j++];
            }
            if (!closed) fail(QStringLiteral("texto sem aspa de fechamento a partir da posição %1.").arg(i + 1));
            t.kind = Tok::String;
            t.text = text;
            i = j + 1;
        } else if (c == u'[') {
            const int end = s.indexOf(u']', i + 1);
            if (end < 0) fail(QStringLiteral("nome de campo sem ']' de fechamento."));
            t.kind = Tok::Name;
            t.text = s.mid(i + 1, end - i - 1).trimmed();
            i = end + 1;
        } else if (c.isDigit() || ((c == u'-' || c == u'.') && i + 1 < n && s[i + 1].isDigit())) {
            int j = i + 1;
            while (j < n && (s[j].isDigit() || s[j] == u'.' || s[j] == u',')) ++j;
            t.kind = Tok::Number;
            t.text = s.mid(i, j - i);
            i = j;
        } else if (c.isLetter() || c == u'_') {
            int j = i + 1;
            while (j < n && (s[j].isLetterOrNumber() || s[j] == u'_')) ++j;
            t.text = s.mid(i, j - i);
            const QString up = t.text.toUpper();
            t.kind = up == u"AND" ? Tok::And
                   : up == u"OR"  ? Tok::Or
                   : up == u"NOT" ? Tok::Not
                   : up == u"IS"  ? Tok::Is
                   : up == u"NULL" ? Tok::Null
                                   : Tok::Name;
            i = j;
        } else if (c == u'(') {
            t.kind = Tok::LParen;
            t.text = c;
            ++i;
        } else if (c == u')') {
            t.kind = Tok::RParen;
            t.text = c;
            ++i;
        } else if (c == u'=' || c == u'<' || c == u'>' || c == u'!') {
            t.kind = Tok::Op;
            const QString two = s.mid(i, 2);
            if (two == u"<>" || two == u"!=") t.op = Op::Ne, t.text = two;
            else if (two == u"<=") t.op = Op::Le, t.text = two;
            else if (two == u">=") t.op = Op::Ge, t.text = two;
            else if (c == u'=') t.op = Op::Eq, t.text = c;
            else if (c == u'<') t.op = Op::Lt, t.text = c;
            else if (c == u'>') t.op = Op::Gt, t.text = c;
            else fail(QStringLiteral("caractere '!' inesperado na posição %1.").arg(i + 1));
            i += t.text.size();
        } else {
            fail(QStringLiteral("caractere '%1' inesperado na posição %2.").arg(c).arg(i + 1));
        }
        out.push_back(t);
    }
    Token end;
    end.pos = n;
    out.push_back(end);
    return out;
}

// ---------------------------------------------------------------- parser

struct Operand {
    bool isField = false;
    QString text;  // field name or literal text
    FilterExpression::FieldInfo field;
};

class Parser {
public:
    Parser(const QString& text, const FilterExpression::Resolver& resolver)
        : toks_(tokenize(text)), resolver_(resolver) {}

    NodePtr parse() {
        NodePtr n = parseOr();
        if (peek().kind == Tok::RParen) fail(QStringLiteral("')' sem '(' correspondente na posição %1.").arg(peek().pos + 1));
        if (peek().kind != Tok::End) unexpected();
        return n;
    }

private:
    std::vector<Token> toks_;
    size_t at_ = 0;
    const FilterExpression::Resolver& resolver_;

    const Token& peek() const { return toks_[at_]; }
    const Token& take() { return toks_[at_ < toks_.size() - 1 ? at_++ : at_]; }

    [[noreturn]] void unexpected() const {
        const Token& t = peek();
        if (t.kind == Tok::End) fail(QStringLiteral("expressão incompleta."));
        fail(QStringLiteral("'%1' inesperado na posição %2.").arg(t.text).arg(t.pos + 1));
    }

    NodePtr parseOr() {
        NodePtr left = parseAnd();
        while (peek().kind == Tok::Or) {
            const Token op = take();
            if (peek().kind == Tok::End) fail(QStringLiteral("falta uma condição depois de '%1'.").arg(op.text));
            auto node = std::make_unique<OrNode>();
            node->a = std::move(left);
            node->b = parseAnd();
            left = std::move(node);
        }
        return left;
    }

    NodePtr parseAnd() {
        NodePtr left = parseNot();
        while (peek().kind == Tok::And) {
            const Token op = take();
            if (peek().kind == Tok::End) fail(QStringLiteral("falta uma condição depois de '%1'.").arg(op.text));
            auto node = std::make_unique<AndNode>();
            node->a = std::move(left);
            node->b = parseNot();
            left = std::move(node);
        }
        return left;
    }

    // NOT and parentheses nest by recursion: a text nested deeper than anyone writes
    // would exhaust the stack, so it is refused instead.
    static constexpr int kMaxDepth = 100;
    int depth_ = 0;

    NodePtr parseNot() {
        if (++depth_ > kMaxDepth)
            fail(QStringLiteral("expressão aninhada demais na posição %1.").arg(peek().pos + 1));
        NodePtr result;
        if (peek().kind == Tok::Not) {
            const Token op = take();
            if (peek().kind == Tok::End) fail(QStringLiteral("falta uma condição depois de '%1'.").arg(op.text));
            auto node = std::make_unique<NotNode>();
            node->a = parseNot();
            result = std::move(node);
        } else {
            result = parsePrimary();
        }
        --depth_;
        return result;
    }

    NodePtr parsePrimary() {
        if (peek().kind == Tok::LParen) {
            const Token open = take();
            NodePtr inner = parseOr();
            if (peek().kind != Tok::RParen) {
                if (peek().kind == Tok::End)
                    fail(QStringLiteral("parêntese aberto na posição %1 não foi fechado.").arg(open.pos + 1));
                unexpected();
            }
            take();
            return inner;
        }
        return parseComparison();
    }

    Operand parseOperand() {
        const Token& t = peek();
        Operand o;
        switch (t.kind) {
        case Tok::Name: {
            o.isField = true;
            o.text = t.text;
            const auto info = resolver_(t.text);
            if (!info) fail(QStringLiteral("campo '%1' não encontrado.").arg(t.text));
            o.field = *info;
            break;
        }
        case Tok::String:
        case Tok::Number:
            o.text = t.text;
            break;
        default:
            unexpected();
        }
        take();
        return o;
    }

    NodePtr parseComparison() {
        const Operand left = parseOperand();
        if (peek().kind == Tok::Is) {
            take();
            bool notNull = false;
            if (peek().kind == Tok::Not) {
                take();
                notNull = true;
            }
            if (peek().kind != Tok::Null) {
                if (peek().kind == Tok::End) fail(QStringLiteral("falta NULL depois de IS."));
                unexpected();
            }
            take();
            if (!left.isField) return std::make_unique<ConstNode>(notNull);
            return isNull(left.field, !notNull);
        }
        if (peek().kind != Tok::Op) {
            if (peek().kind == Tok::End)
                fail(QStringLiteral("falta um operador de comparação depois de '%1'.").arg(left.text));
            unexpected();
        }
        const Token op = take();
        if (peek().kind == Tok::End || peek().kind == Tok::RParen || peek().kind == Tok::And || peek().kind == Tok::Or)
            fail(QStringLiteral("falta o valor depois de '%1'.").arg(op.text));
        const Operand right = parseOperand();
        return compare(left, op.op, right);
    }

    static NodePtr isNull(const FilterExpression::FieldInfo& f, bool wantNull) {
        auto node = std::make_unique<IsNullNode>();
        node->index = f.index;
        node->text = categoryOf(f.type) == Category::Text;
        node->wantNull = wantNull;
        return node;
    }

    static NodePtr compare(const Operand& left, Op op, const Operand& right) {
        if (left.isField && right.isField) {
            auto node = std::make_unique<FieldFieldNode>();
            node->left = left.field.index;
            node->right = right.field.index;
            node->op = op;
            node->cat = categoryOf(left.field.type);
            return node;
        }
        if (!left.isField && !right.isField) return std::make_unique<ConstNode>(applyCmp(op, left.text.compare(right.text)));
        const Operand& field = left.isField ? left : right;
        const Operand& lit = left.isField ? right : left;
        if (!left.isField) op = flip(op);
        const Category cat = categoryOf(field.field.type);
        if (cat == Category::Text) {
            auto node = std::make_unique<TextConstNode>();
            node->index = field.field.index;
            node->op = op;
            node->literal = lit.text;
            return node;
        }
        Key key;
        key.null = false;
        if (cat == Category::Number) {
            const auto r = datafmt::parseNumber(lit.text, &key.number);
            if (r == datafmt::Parse::Invalid)
                fail(QStringLiteral("'%1' não é um número válido para o campo %2.").arg(lit.text, field.text));
            key.null = r == datafmt::Parse::Blank;
        } else if (cat == Category::Date) {
            QDateTime dt;
            const auto r = datafmt::parseDateTime(lit.text, &dt);
            if (r == datafmt::Parse::Invalid)
                fail(QStringLiteral("'%1' não é uma data válida para o campo %2.").arg(lit.text, field.text));
            key.null = r == datafmt::Parse::Blank;
            if (!key.null) key.date = datafmt::dateTimeKey(dt);
        } else {
            const QString up = lit.text.trimmed().toUpper();
            if (up.isEmpty()) key.null = true;
            else if (up == u"TRUE" || up == u"T" || up == u"S" || up == u"1") key.boolean = true;
            else if (up == u"FALSE" || up == u"F" || up == u"N" || up == u"0") key.boolean = false;
            else fail(QStringLiteral("'%1' não é um valor lógico válido para o campo %2.").arg(lit.text, field.text));
        }
        if (key.null) {
            // An empty literal stands for "no value".
            if (op == Op::Eq) return isNull(field.field, true);
            if (op == Op::Ne) return isNull(field.field, false);
            return std::make_unique<ConstNode>(false);
        }
        auto node = std::make_unique<KeyConstNode>();
        node->index = field.field.index;
        node->op = op;
        node->cat = cat;
        node->literal = key;
        return node;
    }
};

}  // namespace

FilterExpression::~FilterExpression() = default;

std::shared_ptr<const FilterExpression> FilterExpression::compile(const QString& text, const Resolver& resolver) {
    if (text.trimmed().isEmpty()) return nullptr;
    Parser parser(text, resolver);
    std::shared_ptr<FilterExpression> expr(new FilterExpression);
    expr->root_ = parser.parse();
    return expr;
}

bool FilterExpression::matches(const Row& row) const { return root_->eval(row); }

}  // namespace cot
