#include "runtime/tool_message.h"

namespace tv {

void PrintToolMessage(Env& env, WideWriter& out, std::u16string_view message) {
  if (out.PutLine(message) && out.Flush()) return;
  WideWriter err(&env.StdErr());
  err.PutLine(message);
  err.Flush();
}

}  // namespace tv
