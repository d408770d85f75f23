#include "app/portable/ItemsXml.h"

#include "app/portable/XmlDocumentReader.h"
#include "app/portable/XmlDocumentWriter.h"

namespace xmlstore {

Text WriteItems(const std::vector<Item>& items)
{
    DocumentWriter writer;
    writer.Open("items");
    for (const Item& item : items)
        writer.ItemElement(item);
    writer.Close("items");
    return writer.Document();
}

bool ReadItems(const void* data, std::size_t size, std::vector<Item>& items)
{
    pugi::xml_document document;
    if (!ParseDocument(data, size, "items", document))
        return false;
    ReadItemElements(document.document_element(), items);
    return true;
}

} // namespace xmlstore
