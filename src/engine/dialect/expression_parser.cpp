#include "engine/dialect/expression_parser.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <utility>

#include "engine/dialect/function_table.h"
#include "engine/dialect/lexer.h"

namespace nrx::dialect {
namespace {

// Bounds on nesting keep the parser's and translator's recursion (and SQLite's own expression
// depth) finite, whatever the input.
constexpr int kMaxNesting = 100;
constexpr int kMaxDepth = 250;

struct SymbolOp {
  std::string_view symbol;
  Op op;
};

class ExpressionParser {
 public:
  explicit ExpressionParser(TokenStream& tokens) : tokens_(tokens) {}

  ExprPtr Expression() {
    Nest guard(*this);
    return Imp();
  }

 private:
  TokenStream& tokens_;
  int nesting_ = 0;

  class Nest {
   public:
    explicit Nest(ExpressionParser& parser) : parser_(parser) {
      if (++parser_.nesting_ > kMaxNesting)
        parser_.tokens_.Fail("the expression is nested too deeply");
    }
    ~Nest() { --parser_.nesting_; }
    Nest(const Nest&) = delete;
    Nest& operator=(const Nest&) = delete;

   private:
    ExpressionParser& parser_;
  };

  ExprPtr Node(ExprKind kind, std::vector<ExprPtr> operands) {
    auto node = std::make_unique<Expr>();
    node->kind = kind;
    for (const auto& operand : operands) node->depth = std::max(node->depth, operand->depth + 1);
    if (node->depth > kMaxDepth) tokens_.Fail("the expression is too complex");
    node->operands = std::move(operands);
    return node;
  }

  ExprPtr Operator(Op op, std::vector<ExprPtr> operands) {
    ExprKind kind = operands.size() == 1 ? ExprKind::kUnary : ExprKind::kBinary;
    ExprPtr node = Node(kind, std::move(operands));
    node->op = op;
    return node;
  }

  static std::vector<ExprPtr> Pair(ExprPtr a, ExprPtr b) {
    std::vector<ExprPtr> v;
    v.push_back(std::move(a));
    v.push_back(std::move(b));
    return v;
  }

  static std::vector<ExprPtr> One(ExprPtr a) {
    std::vector<ExprPtr> v;
    v.push_back(std::move(a));
    return v;
  }

  // One left-associative level: operand (keyword operand)*.
  template <typename Next>
  ExprPtr KeywordLevel(std::string_view keyword, Op op, Next next) {
    ExprPtr left = (this->*next)();
    while (tokens_.AcceptKeyword(keyword))
      left = Operator(op, Pair(std::move(left), (this->*next)()));
    return left;
  }

  template <std::size_t N, typename Next>
  ExprPtr SymbolLevel(const std::array<SymbolOp, N>& ops, Next next) {
    ExprPtr left = (this->*next)();
    for (;;) {
      auto it = std::find_if(ops.begin(), ops.end(),
                             [&](const SymbolOp& s) { return tokens_.PeekSymbol(s.symbol); });
      if (it == ops.end()) return left;
      tokens_.Next();
      left = Operator(it->op, Pair(std::move(left), (this->*next)()));
    }
  }

  // And and Or are associative, so a chain of them becomes one node with every operand: long
  // lists of alternatives ("PointNo = 1 Or PointNo = 2 Or ...") then stay shallow, here and in
  // the SQLite text.
  template <typename Next>
  ExprPtr ChainLevel(std::string_view keyword, Op op, Next next) {
    ExprPtr first = (this->*next)();
    if (!tokens_.PeekKeyword(keyword)) return first;
    std::vector<ExprPtr> operands = One(std::move(first));
    while (tokens_.AcceptKeyword(keyword)) operands.push_back((this->*next)());
    return Operator(op, std::move(operands));
  }

  // Lowest to highest precedence, as the runtime orders its operators.
  ExprPtr Imp() { return KeywordLevel("IMP", Op::kImp, &ExpressionParser::Eqv); }
  ExprPtr Eqv() { return KeywordLevel("EQV", Op::kEqv, &ExpressionParser::Xor); }
  ExprPtr Xor() { return KeywordLevel("XOR", Op::kXor, &ExpressionParser::Or); }
  ExprPtr Or() { return ChainLevel("OR", Op::kOr, &ExpressionParser::And); }
  ExprPtr And() { return ChainLevel("AND", Op::kAnd, &ExpressionParser::Not); }

  ExprPtr Not() {
    if (!tokens_.AcceptKeyword("NOT")) return Comparison();
    Nest guard(*this);
    return Operator(Op::kNot, One(Not()));
  }

  ExprPtr Comparison() {
    static constexpr std::array<SymbolOp, 6> kOps = {{{"=", Op::kEq},
                                                      {"<>", Op::kNe},
                                                      {"<=", Op::kLe},
                                                      {">=", Op::kGe},
                                                      {"<", Op::kLt},
                                                      {">", Op::kGt}}};
    ExprPtr left = Concat();
    for (;;) {
      auto it = std::find_if(kOps.begin(), kOps.end(),
                             [&](const SymbolOp& s) { return tokens_.PeekSymbol(s.symbol); });
      if (it != kOps.end()) {
        tokens_.Next();
        left = Operator(it->op, Pair(std::move(left), Concat()));
        continue;
      }
      ExprPtr predicate = Predicate(left);
      if (!predicate) return left;
      left = std::move(predicate);
    }
  }

  // Like, In, Between and Is Null after `subject`; null (subject untouched) when none follows.
  ExprPtr Predicate(ExprPtr& subject) {
    if (tokens_.AcceptKeyword("IS")) {
      bool negated = tokens_.AcceptKeyword("NOT");
      tokens_.ExpectKeyword("NULL");
      return Negatable(ExprKind::kIsNull, negated, One(std::move(subject)));
    }
    const bool negated = tokens_.PeekKeyword("NOT") &&
                         (tokens_.PeekKeyword("LIKE", 1) || tokens_.PeekKeyword("IN", 1) ||
                          tokens_.PeekKeyword("BETWEEN", 1));
    if (negated) tokens_.Next();
    if (tokens_.AcceptKeyword("LIKE"))
      return Negatable(ExprKind::kLike, negated, Pair(std::move(subject), Concat()));
    if (tokens_.AcceptKeyword("BETWEEN")) {
      std::vector<ExprPtr> operands = One(std::move(subject));
      operands.push_back(Concat());
      tokens_.ExpectKeyword("AND");
      operands.push_back(Concat());
      return Negatable(ExprKind::kBetween, negated, std::move(operands));
    }
    if (tokens_.AcceptKeyword("IN"))
      return Negatable(ExprKind::kIn, negated, InList(std::move(subject)));
    return nullptr;
  }

  ExprPtr Negatable(ExprKind kind, bool negated, std::vector<ExprPtr> operands) {
    ExprPtr node = Node(kind, std::move(operands));
    node->negated = negated;
    return node;
  }

  std::vector<ExprPtr> InList(ExprPtr subject) {
    tokens_.ExpectSymbol("(");
    if (tokens_.PeekKeyword("SELECT")) tokens_.Fail("a selection inside In (...) is not supported");
    std::vector<ExprPtr> operands = One(std::move(subject));
    do {
      operands.push_back(Expression());
    } while (tokens_.AcceptSymbol(","));
    tokens_.ExpectSymbol(")");
    return operands;
  }

  ExprPtr Concat() {
    static constexpr std::array<SymbolOp, 1> kOps = {{{"&", Op::kConcat}}};
    return SymbolLevel(kOps, &ExpressionParser::Additive);
  }
  ExprPtr Additive() {
    static constexpr std::array<SymbolOp, 2> kOps = {{{"+", Op::kAdd}, {"-", Op::kSub}}};
    return SymbolLevel(kOps, &ExpressionParser::Modulo);
  }
  ExprPtr Modulo() { return KeywordLevel("MOD", Op::kMod, &ExpressionParser::IntegerDivision); }
  ExprPtr IntegerDivision() {
    static constexpr std::array<SymbolOp, 1> kOps = {{{"\\", Op::kIntDiv}}};
    return SymbolLevel(kOps, &ExpressionParser::Multiplicative);
  }
  ExprPtr Multiplicative() {
    static constexpr std::array<SymbolOp, 2> kOps = {{{"*", Op::kMul}, {"/", Op::kDiv}}};
    return SymbolLevel(kOps, &ExpressionParser::Unary);
  }

  // Negation binds more loosely than "^": -2 ^ 2 is -4.
  ExprPtr Unary() {
    if (tokens_.AcceptSymbol("-")) {
      Nest guard(*this);
      return Operator(Op::kNegate, One(Unary()));
    }
    if (tokens_.AcceptSymbol("+")) {
      Nest guard(*this);
      return Operator(Op::kPlus, One(Unary()));
    }
    if (tokens_.AcceptKeyword("NOT")) {
      Nest guard(*this);
      return Operator(Op::kNot, One(Not()));
    }
    return Power();
  }

  ExprPtr Power() {
    ExprPtr left = Primary();
    while (tokens_.AcceptSymbol("^")) left = Operator(Op::kPow, Pair(std::move(left), Exponent()));
    return left;
  }

  // The right operand of "^" may carry its own sign: 10 ^ -2.
  ExprPtr Exponent() {
    Nest guard(*this);
    if (tokens_.AcceptSymbol("-")) return Operator(Op::kNegate, One(Exponent()));
    if (tokens_.AcceptSymbol("+")) return Operator(Op::kPlus, One(Exponent()));
    return Primary();
  }

  ExprPtr Primary() {
    const Token& token = tokens_.Peek();
    switch (token.kind) {
      case TokenKind::kNumber:
        return Literal(ExprKind::kNumber, tokens_.Next().value);
      case TokenKind::kText:
        return Literal(ExprKind::kText, tokens_.Next().value);
      case TokenKind::kBracketed:
        return Field();
      case TokenKind::kWord:
        return Word();
      case TokenKind::kSymbol:
        if (tokens_.AcceptSymbol("(")) {
          ExprPtr inner = Expression();
          tokens_.ExpectSymbol(")");
          return inner;
        }
        break;
      default:
        break;
    }
    tokens_.Unexpected("a value");
  }

  ExprPtr Literal(ExprKind kind, std::string value) {
    ExprPtr node = Node(kind, {});
    node->value = std::move(value);
    return node;
  }

  ExprPtr Word() {
    const Token& token = tokens_.Peek();
    if (IsKeyword(token.value, "TRUE") || IsKeyword(token.value, "FALSE")) {
      ExprPtr node = Node(ExprKind::kBoolean, {});
      node->truth = IsKeyword(tokens_.Next().value, "TRUE");
      return node;
    }
    if (IsKeyword(token.value, "NULL")) {
      tokens_.Next();
      return Node(ExprKind::kNull, {});
    }
    if (tokens_.PeekSymbol("(", 1)) return Call();
    if (IsReserved(token.value)) tokens_.Unexpected("a value");
    return Field();
  }

  // name, [name], table.name, [table].[name]
  ExprPtr Field() {
    std::string name = tokens_.ExpectName("a field name");
    ExprPtr node = Node(ExprKind::kField, {});
    if (tokens_.AcceptSymbol(".")) {
      node->qualifier = std::move(name);
      name = tokens_.ExpectName("a field name after '.'");
    }
    node->value = std::move(name);
    return node;
  }

  ExprPtr Call() {
    const Token& name = tokens_.Peek();
    const FunctionSpec* spec = FindFunction(name.value);
    if (!spec) tokens_.Fail(fmt::format("undefined function {}", tokens_.Describe(name)));
    tokens_.Next();
    tokens_.ExpectSymbol("(");
    std::vector<ExprPtr> args;
    if (!tokens_.PeekSymbol(")")) {
      do {
        args.push_back(Expression());
      } while (tokens_.AcceptSymbol(","));
    }
    tokens_.ExpectSymbol(")");
    const int count = static_cast<int>(args.size());
    if (count < spec->min_args || count > spec->max_args)
      tokens_.Fail(fmt::format("wrong number of arguments for {} ({})", spec->name, count));
    ExprPtr node = Node(ExprKind::kCall, std::move(args));
    node->value = std::string(spec->name);
    return node;
  }
};

}  // namespace

ExprPtr ParseExpression(TokenStream& tokens) { return ExpressionParser(tokens).Expression(); }

}  // namespace nrx::dialect
