#include "engine/common/EntryPath.h"

namespace engine {

std::string ToForwardSlashes(std::string_view name)
{
    std::string result(name);
    for (char &c : result)
        if (c == '\\')
            c = '/';
    return result;
}

PathVerdict SplitEntryPath(std::string_view name, std::vector<std::string> &parts)
{
    parts.clear();
    const std::string path = ToForwardSlashes(name);
    if (!path.empty() && path[0] == '/')
        return PathVerdict::Absolute;
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
        return PathVerdict::DriveLetter;

    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string_view part(path.data() + start, end - start);
        if (part == "..") {
            parts.clear();
            return PathVerdict::ParentReference;
        }
        if (!part.empty() && part != ".")
            parts.emplace_back(part);
        start = end + 1;
    }
    return parts.empty() ? PathVerdict::Empty : PathVerdict::Safe;
}

const char *PathVerdictText(PathVerdict verdict)
{
    switch (verdict) {
    case PathVerdict::Safe:
        return "safe";
    case PathVerdict::Empty:
        return "the name is empty";
    case PathVerdict::ParentReference:
        return "the name climbs out of the target folder with \"..\"";
    case PathVerdict::Absolute:
        return "the name is an absolute path";
    case PathVerdict::DriveLetter:
        return "the name starts with a drive letter";
    }
    return "the name is unusable";
}

} // namespace engine
