#include "win/CommandLineInfo.h"

void CCommandLineInfo::ParseArguments(const std::vector<std::wstring>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    const bool last = i + 1 == args.size();
    const bool flag = !arg.empty() && (arg[0] == L'/' || arg[0] == L'-');
    ParseParam(arg.c_str() + (flag ? 1 : 0), flag, last);
  }
}
