#pragma once
// The shared string table's key of a text (hash, and whether every unit fits a
// byte), found in one pass. Long texts (memos) are read 128 bytes at a time, by
// vector instructions where the processor has them; every width gives the same
// key, so the table behaves the same on any machine.

#include <string_view>
#include <vector>

#include "shared_strings.h"

namespace excel {

enum class KeyWidth { Portable, Sse2, Avx2 };

// The widths this processor runs, narrowest first; the last is the one used.
std::vector<KeyWidth> keyWidths();

SharedStrings::Key keyOfText(std::u16string_view text, KeyWidth width);

}  // namespace excel
