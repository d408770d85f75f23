#include "htmltip/portable/HtmlResources.h"

#include "htmltip/portable/HtmlSizes.h"

namespace htmltip {

namespace {

int ResourceId(const std::string& value)
{
    const long long id = ParseInteger(value);
    return id >= 1 && id <= kMaxResourceId ? static_cast<int>(id) : 0;
}

} // namespace

ResourceRef ResourceFromAttributes(const std::vector<HtmlAttribute>& attributes, ResourceRef::Kind kind)
{
    ResourceRef ref;
    ref.kind = kind;
    unsigned long long handle = 0;
    int programId = 0;
    int moduleId = 0;
    std::string module;
    std::string file;
    for (const HtmlAttribute& attribute : attributes) {
        if (attribute.name == "handle")
            handle = static_cast<unsigned long long>(ParseInteger(attribute.value));
        else if (attribute.name == "idres")
            programId = ResourceId(attribute.value);
        else if (attribute.name == "iddll")
            moduleId = ResourceId(attribute.value);
        else if (attribute.name == "srcdll")
            module = attribute.value;
        else if (attribute.name == "file")
            file = attribute.value;
    }
    if (handle != 0 && kind != ResourceRef::kString) {
        ref.origin = ResourceRef::kHandle;
        ref.handle = handle;
    } else if (programId != 0) {
        ref.origin = ResourceRef::kProgram;
        ref.id = programId;
    } else if (moduleId != 0 && !module.empty()) {
        ref.origin = ResourceRef::kModule;
        ref.id = moduleId;
        ref.module = module;
    } else if (!file.empty() && kind != ResourceRef::kString) {
        ref.origin = ResourceRef::kFile;
        ref.file = file;
    }
    return ref;
}

ResourceRef BackgroundReference(const std::string& reference)
{
    ResourceRef ref;
    ref.kind = ResourceRef::kBitmap;
    const std::size_t colon = reference.find(':');
    if (reference.size() <= 5 || colon == std::string::npos)
        return ref;
    const std::string key = reference.substr(0, colon);
    const std::string value = reference.substr(colon + 1);
    if (key == "idres") {
        ref.id = ResourceId(value);
        if (ref.id != 0)
            ref.origin = ResourceRef::kProgram;
    } else if (key == "file" && !value.empty()) {
        ref.origin = ResourceRef::kFile;
        ref.file = value;
    }
    return ref;
}

} // namespace htmltip
