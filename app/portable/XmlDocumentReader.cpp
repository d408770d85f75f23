#include "app/portable/XmlDocumentReader.h"

#include <cstring>

#include "app/portable/Utf16Text.h"

namespace xmlstore {

bool ParseDocument(const void* data, std::size_t size, const char* root, pugi::xml_document& document)
{
    const pugi::xml_parse_result result =
        document.load_buffer(data, size, pugi::parse_default | pugi::parse_ws_pcdata_single);
    return result.status == pugi::status_ok && std::strcmp(document.document_element().name(), root) == 0;
}

const char* ChildValue(const pugi::xml_node& node, const char* name)
{
    return node.child(name).text().get();
}

Text ChildText(const pugi::xml_node& node, const char* name)
{
    return Utf8ToUtf16(ChildValue(node, name));
}

void ReadItemElements(const pugi::xml_node& node, std::vector<Item>& items)
{
    for (const pugi::xml_node item : node.children("item"))
        items.emplace_back(Utf8ToUtf16(item.attribute("name").value()), Utf8ToUtf16(item.text().get()));
}

} // namespace xmlstore
