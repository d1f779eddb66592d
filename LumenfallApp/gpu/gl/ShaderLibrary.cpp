#include "gpu/ShaderLibrary.hpp"

#include "gpu/Device.hpp"
#include "gpu/gl/ProgramCache.hpp"

#include <cctype>

namespace lumen::gpu {

namespace {

std::uint64_t nextIdentity = 1;

bool identifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Comments become spaces (newlines kept) so the scan below sees only code.
std::string withoutComments(std::string_view text)
{
    std::string out(text);
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i] == '/' && out[i + 1] == '/') {
            while (i < out.size() && out[i] != '\n') {
                out[i++] = ' ';
            }
        } else if (out[i] == '/' && out[i + 1] == '*') {
            out[i] = out[i + 1] = ' ';
            i += 2;
            while (i < out.size() && !(out[i] == '*' && i + 1 < out.size() && out[i + 1] == '/')) {
                if (out[i] != '\n') {
                    out[i] = ' ';
                }
                ++i;
            }
            if (i < out.size()) {
                out[i] = ' ';
                if (i + 1 < out.size()) {
                    out[i + 1] = ' ';
                }
            }
        }
    }
    return out;
}

void skipSpace(const std::string& s, std::size_t& i)
{
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) {
        ++i;
    }
}

}  // namespace

const char* toString(ShaderStage stage)
{
    switch (stage) {
    case ShaderStage::vertex: return "vertex";
    case ShaderStage::fragment: return "fragment";
    case ShaderStage::compute: return "compute";
    }
    return "unknown";
}

std::set<std::string, std::less<>> definedVoidFunctions(std::string_view source)
{
    const std::string code = withoutComments(source);
    std::set<std::string, std::less<>> names;
    std::size_t at = 0;
    while ((at = code.find("void", at)) != std::string::npos) {
        const bool startsWord = at == 0 || !identifierChar(code[at - 1]);
        std::size_t i = at + 4;
        at = i;
        if (!startsWord || i >= code.size() || !std::isspace(static_cast<unsigned char>(code[i]))) {
            continue;
        }
        skipSpace(code, i);
        const std::size_t nameStart = i;
        while (i < code.size() && identifierChar(code[i])) {
            ++i;
        }
        if (i == nameStart || std::isdigit(static_cast<unsigned char>(code[nameStart]))) {
            continue;
        }
        std::string name = code.substr(nameStart, i - nameStart);
        skipSpace(code, i);
        if (i >= code.size() || code[i] != '(') {
            continue;
        }
        int depth = 0;
        for (; i < code.size(); ++i) {
            depth += code[i] == '(' ? 1 : code[i] == ')' ? -1 : 0;
            if (depth == 0) {
                break;
            }
        }
        ++i;
        skipSpace(code, i);
        // A prototype ends in ';' and does not count: the compiler needs the body.
        if (i < code.size() && code[i] == '{') {
            names.insert(std::move(name));
        }
    }
    return names;
}

ShaderLibrary ShaderLibrary::fromSource(std::string source, std::string key)
{
    auto data = std::make_shared<Data>();
    data->functions = definedVoidFunctions(source);
    data->source = std::move(source);
    data->key = std::move(key);
    data->identity = nextIdentity++;
    return ShaderLibrary(std::move(data));
}

Result<ShaderLibrary> ShaderLibrary::create(Device& device, std::string source, std::string key)
{
    ShaderLibrary library = fromSource(std::move(source), std::move(key));
    bool any = false;
    for (auto [stage, define] : {std::pair{ShaderStage::vertex, "VERTEX_STAGE"},
                                 std::pair{ShaderStage::fragment, "FRAGMENT_STAGE"},
                                 std::pair{ShaderStage::compute, "COMPUTE_STAGE"}}) {
        if (library.source().find(define) == std::string::npos) {
            continue;
        }
        any = true;
        if (auto checked = device.programs().checkStage(library, stage); !checked) {
            return checked.error();
        }
    }
    if (!any) {
        if (auto checked = device.programs().checkStage(library, ShaderStage::fragment); !checked) {
            return checked.error();
        }
    }
    return library;
}

bool ShaderLibrary::hasFunction(std::string_view name) const
{
    return data_->functions.find(name) != data_->functions.end();
}

}  // namespace lumen::gpu
