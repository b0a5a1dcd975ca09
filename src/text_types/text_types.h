// The value types every layer passes around: GBK texts, byte strings and their lists.
#pragma once

#include <string>
#include <vector>

// A text is owned GBK bytes without a zero byte; the empty text is also the missing text.
using Text = std::string;
// A byte string carries any bytes, zero bytes included (file contents, page bodies).
using Bytes = std::string;
using TextList = std::vector<Text>;
using BytesList = std::vector<Bytes>;
