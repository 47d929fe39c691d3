#include <fmt/format.h>

#include "engine/dialect.h"
#include "engine/dialect/actions.h"
#include "engine/dialect/clause.h"
#include "engine/dialect/data_definition.h"
#include "nrxJobDb/errors.h"

namespace nrx::dialect {

Statement ParseStatement(std::string_view text, const FieldTypes* types) {
  TokenStream tokens(text);
  if (tokens.PeekKeyword("CREATE")) return ReadCreate(tokens);
  if (tokens.PeekKeyword("DROP")) return ReadDrop(tokens);
  if (tokens.PeekKeyword("ALTER")) return ReadAlter(tokens);
  if (tokens.PeekKeyword("INSERT")) return ReadInsert(tokens, types);
  if (tokens.PeekKeyword("UPDATE")) return ReadUpdate(tokens, types);
  if (tokens.PeekKeyword("DELETE")) return ReadDelete(tokens, types);
  if (tokens.PeekKeyword("SELECT")) {
    RaiseText(err::kNotSupported, std::string(kDialectSource),
              "A selection cannot be executed; open it as a recordset.");
  }
  RaiseSyntax(err::kSyntaxError, "Invalid statement", tokens.Rest(0),
              SyntaxError{0, "expected CREATE, DROP, ALTER, INSERT, UPDATE or DELETE"});
}

}  // namespace nrx::dialect
