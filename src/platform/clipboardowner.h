#pragma once
// Clipboard services beyond plain text and pictures: whether the clipboard holds what
// this program put there (so clearing it never wipes what the analyst copied from
// another program), and Rich Text put as raw bytes.
#include <functional>
#include <string>

namespace nuvir {

// True when the program owns the clipboard's contents. On a platform without a
// system clipboard shared with other programs (offscreen), always true.
bool ProgramOwnsClipboard();
// Empties the clipboard only when the program owns it; true when it was emptied.
bool ClearOwnedClipboard();
// Replaces the ownership query (tests); an empty function restores the real one.
void SetClipboardOwnerQuery(std::function<bool()> query);

// Clears the clipboard and puts the bytes on it as Rich Text only, unchanged (no text
// conversion: an RTF document is ASCII apart from what a template carries). Never
// raises.
void CopyRtfBytesToClipboard(const std::string& bytes);
// The Rich Text bytes on the clipboard, "" when there are none.
std::string ClipboardRtfBytes();

}  // namespace nuvir
