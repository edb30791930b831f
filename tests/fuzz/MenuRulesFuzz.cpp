// Any menu-definition values: titles, string references, colours and item
// trees must give an answer. A level is never below 0 nor beyond the length
// of the chain of parents (the pane clamps what it draws to its five indents).
#include <vector>

#include "shell/MenuDefinition.h"
#include "tests/fuzz/FuzzText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring text = WideText(data, size);
  (void)MenuTitle(text, size % 3 == 0 ? 1 : 0);
  (void)StringReferenceNumber(text);
  std::vector<MenuTreeNode> nodes;
  for (size_t i = 0; i + 4 <= size && nodes.size() < 64; i += 4) {
    const int32_t id = static_cast<int8_t>(data[i]), parent = static_cast<int8_t>(data[i + 1]);
    (void)ResolveColour(data[i + 2] - 128, data[i + 3] - 128, id, 0x123456);
    (void)IsValidMenuItem(id, parent, data[i + 2] & 1, data[i + 3] & 1);
    nodes.push_back({id, parent, 0});
  }
  ComputeMenuLevels(nodes);
  for (const MenuTreeNode& node : nodes) {
    if (node.level < 0 || node.level > static_cast<int32_t>(nodes.size())) __builtin_trap();
  }
  return 0;
}
