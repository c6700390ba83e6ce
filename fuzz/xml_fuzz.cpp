// libFuzzer target for the XML parser that reads layouts and language files.
#include "ui/Utf.h"
#include "ui/Xml.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = ui::DecodeTextFile(std::vector<std::uint8_t>(data, data + size));
    ui::XmlElement root;
    const ui::XmlParseResult result = ui::ParseXml(text, root);
    if (result.ok) root.AttributeIgnoringCase(L"name");
    return 0;
}
