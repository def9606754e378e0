#pragma once

namespace Orvanta {

// Lets what Copy and Cut take keep its own copies of the files it needs in this process's work
// folder, so that it can be pasted after its project was saved or closed. Front ends call it once
// after the work folder is set up.
void KeepClipboardFilesInWorkFolder();

} // namespace Orvanta
