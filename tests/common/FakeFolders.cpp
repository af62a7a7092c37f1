#include "FakeFolders.h"

#include <algorithm>
#include <cctype>
#include <iterator>

static bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The digit run at `at`, without its leading zeros; `at` moves past it.
static std::string Number(const std::string& text, size_t* at)
{
    size_t end = *at;
    while (end < text.size() && IsDigit(text[end])) {
        ++end;
    }
    size_t first = *at;
    while (first + 1 < end && text[first] == '0') {
        ++first;
    }
    *at = end;
    return text.substr(first, end - first);
}

bool LogicalNameBefore(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::string x = Number(a, &i), y = Number(b, &j);
            if (x.size() != y.size()) {
                return x.size() < y.size();
            }
            if (x != y) {
                return x < y;
            }
            continue;
        }
        int x = tolower(static_cast<unsigned char>(a[i++])), y = tolower(static_cast<unsigned char>(b[j++]));
        if (x != y) {
            return x < y;
        }
    }
    return a.size() - i < b.size() - j;
}

FakeTree::FakeTree(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        Add(line);
    }
}

void FakeTree::Add(const std::string& line)
{
    Node node = {false, false, false, false};
    std::string path = line;
    if (path.size() > 2 && path[1] == ':' && (path[0] == 'h' || path[0] == 'l' || path[0] == 'u')) {
        node.hidden = path[0] == 'h';
        node.link = path[0] == 'l';
        node.unreadable = path[0] == 'u';
        path = path.substr(2);
    }
    if (path.back() == '\\') {
        node.folder = true;
        path.pop_back();
    }
    for (size_t cut = path.find('\\'); cut != std::string::npos; cut = path.find('\\', cut + 1)) {
        nodes.insert({path.substr(0, cut), Node{true, false, false, false}});
    }
    nodes[path] = node;
}

void FakeTree::Remove(const std::string& path)
{
    for (auto it = nodes.begin(); it != nodes.end();) {
        bool inside = it->first.compare(0, path.size() + 1, path + "\\") == 0;
        it = it->first == path || inside ? nodes.erase(it) : std::next(it);
    }
}

namespace {

class cFakeFolders : public cFolderSource {
public:
    explicit cFakeFolders(FakeTree& tree_) : tree(tree_) {}

    bool List(const std::string& folder, std::vector<ListedItem>* items) override
    {
        auto found = tree.nodes.find(folder);
        if (found == tree.nodes.end() || !found->second.folder || found->second.unreadable) {
            return false;
        }
        ++tree.listings;
        std::string prefix = folder + "\\";
        for (auto it = tree.nodes.lower_bound(prefix); it != tree.nodes.end(); ++it) {
            const std::string& path = it->first;
            if (path.compare(0, prefix.size(), prefix) != 0) {
                break;
            }
            if (path.find('\\', prefix.size()) == std::string::npos) {
                const FakeTree::Node& node = it->second;
                items->push_back({path.substr(prefix.size()), node.folder, node.hidden, node.link});
            }
        }
        // Listed in another order than the shell's.
        std::reverse(items->begin(), items->end());
        return true;
    }

    PathKind KindOf(const std::string& path) override
    {
        auto found = tree.nodes.find(path);
        if (found == tree.nodes.end()) {
            return PATH_MISSING;
        }
        return found->second.folder ? PATH_FOLDER : PATH_FILE;
    }

    bool NameBefore(const std::string& a, const std::string& b) const override { return LogicalNameBefore(a, b); }

private:
    FakeTree& tree;
};

} // namespace

std::unique_ptr<cFolderSource> FakeFolders(FakeTree& tree)
{
    return std::unique_ptr<cFolderSource>(new cFakeFolders(tree));
}
