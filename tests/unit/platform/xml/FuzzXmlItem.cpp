// Fuzz entry point for the parse of a WS-Management item (clang -fsanitize=fuzzer).

#include "platform/xml/XmlDocument.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        auto doc = tarnwick::xml::TXmlDocument::ParseUtf8(
            std::string_view(reinterpret_cast<const char*>(data), size));
        for (const auto& child : doc->DocumentElement().Children()) {
            (void)child.Name();
            (void)child.NamespaceUri();
            (void)child.IsTextElement();
            (void)child.Text();
        }
    } catch (const tarnwick::xml::TXmlError&) {
    }
    return 0;
}
