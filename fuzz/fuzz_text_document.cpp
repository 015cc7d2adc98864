// The reader of the text form of documents (*.kestova.json).
// - Text input is read or refused with a reason, without a crash, and a document accepted holds what its bytes can
//   hold and reads back unchanged (checkDocument).
// - Binary documents (the seeds are the binary fuzz target's) are written as text, which reads back to the same
//   record and passes the same checks; the text of a document read from text is the text written again.
#include "DocumentProperties.h"

#include "app/document/ArchiveText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using kestova::ArchiveText;
    using kestova::EditorViewControllerSettings;
    fuzz::silenceSystemLog();
    const mosavo::Bytes input = fuzz::bytesOf(data, size);
    mosavo::Bytes text = input;
    if (!ArchiveText::looksLikeText(input)) {
        const auto binary = EditorViewControllerSettings::fromDocumentBytes(input);
        if (!binary)
            return 0;
        text = *binary->documentBytes(true);
        fuzz::require(ArchiveText::looksLikeText(text), "the text form looks like text");
    }
    // Read, written as text and read again once: the same record, and written again the same text.
    const fuzz::DocumentPass pass = fuzz::checkDocument(text, true);
    if (!pass.settings)
        return 0;
    fuzz::require(ArchiveText::looksLikeText(pass.written), "a document written as text looks like text");
    fuzz::require(pass.reread->encode() == pass.settings->encode(), "the text form reads back to the same record");
    fuzz::require(*pass.reread->documentBytes(true) == pass.written, "written again, the same text");
    return 0;
}
