#include "PictureSequence.h"

#include <algorithm>
#include <cstring>
#include <utility>

static const char kSeparator = '\\';
// A random descent starts again from the entries this often at most before the walk is
// finished instead, and goes this many folders deep at most.
static const int kDescentTries = 16;
static const int kDescentDepth = 64;
// A walk step ends after its first folder listing, or after this many entries and pictures.
static const int kMovesPerStep = 256;
// In a round's number: swap the first and the last picture of the shuffle.
static const uint32_t kSwapEnds = 0x80000000u;
static const uint32_t kNone = 0xFFFFFFFFu;

// 30 random bits from two of the generator's 15-bit draws.
static uint32_t Draw30(ShowRandom& random)
{
    uint32_t high = random.Draw();
    return high << 15 | random.Draw();
}

// A number below `count`, each nearly equally likely for 30-bit draws.
static uint32_t Below(uint32_t draw30, uint32_t count)
{
    return static_cast<uint32_t>(static_cast<uint64_t>(draw30) * count >> 30);
}

// FNV-1a over the path and a closing zero.
static uint32_t HashPath(uint32_t hash, const std::string& path)
{
    for (char c : path) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return hash * 16777619u;
}

static const uint32_t kHashStart = 2166136261u;

static std::string Join(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == kSeparator) {
        return folder + name;
    }
    return folder + kSeparator + name;
}

// Whether the entry is the path itself or a folder holding it.
static bool Covers(const std::string& entry, const std::string& path)
{
    if (path == entry) {
        return true;
    }
    std::string prefix = Join(entry, "");
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

std::vector<uint32_t> RoundOrder(uint32_t round, uint32_t count)
{
    std::vector<uint32_t> order(count);
    for (uint32_t i = 0; i < count; ++i) {
        order[i] = i;
    }
    ShowRandom shuffle;
    shuffle.Seed(round & ~kSwapEnds);
    for (uint32_t i = count; i > 1; --i) {
        std::swap(order[i - 1], order[Below(Draw30(shuffle), i)]);
    }
    if ((round & kSwapEnds) != 0 && count >= 2) {
        std::swap(order[0], order[count - 1]);
    }
    return order;
}

cPictureSequence::cWalk::cWalk(cPictureSequence& owner_) : owner(owner_) {}

void cPictureSequence::cWalk::Enter(const std::string& folder)
{
    levels.push_back({folder, owner.Listing(folder), 0});
    ++listings;
}

void cPictureSequence::cWalk::Restart(uint32_t first)
{
    levels.clear();
    nextEntry = first;
}

// One move of the walk: the next entry begun, a folder entered or left, or a picture found.
cPictureSequence::Step cPictureSequence::cWalk::Advance(Found* found)
{
    if (levels.empty()) {
        if (nextEntry >= owner.entries.size()) {
            return STEP_END;
        }
        entry = nextEntry++;
        const std::string& path = owner.entries[entry];
        if (owner.folders->KindOf(path) == PATH_FOLDER) {
            Enter(path);
            return STEP_MOVED;
        }
        *found = {path, entry, false};
        return STEP_PICTURE;
    }
    Level& top = levels.back();
    if (top.next >= top.items.size()) {
        levels.pop_back();
        return STEP_MOVED;
    }
    const ListedItem& item = top.items[top.next++];
    bool folder = item.folder;
    std::string path = Join(top.folder, item.name);
    if (folder) {
        Enter(path);
        return STEP_MOVED;
    }
    *found = {path, entry, true};
    return STEP_PICTURE;
}

// In the folder at the top, goes past `name`: a picture's (`last`) or a folder's on the way
// to it. True when the folder was there and was entered.
bool cPictureSequence::cWalk::SeekIn(const std::string& name, bool last)
{
    Level& top = levels.back();
    const cFolderSource& source = *owner.folders;
    size_t i = 0;
    if (last) {
        while (i < top.items.size() && !top.items[i].folder && !source.NameBefore(name, top.items[i].name)) {
            ++i;
        }
        top.next = i;
        return false;
    }
    while (i < top.items.size() && (!top.items[i].folder || source.NameBefore(top.items[i].name, name))) {
        ++i;
    }
    bool found = i < top.items.size() && top.items[i].name == name;
    top.next = found ? i + 1 : i;
    if (found) {
        Enter(Join(top.folder, name));
    }
    return found;
}

// Places the walk right after `path`, found in the folder entry, or after where it was.
void cPictureSequence::cWalk::SeekAfter(uint32_t folderEntry, const std::string& path)
{
    Restart(folderEntry + 1);
    entry = folderEntry;
    const std::string& root = owner.entries[folderEntry];
    Enter(root);
    size_t from = Join(root, "").size();
    for (;;) {
        size_t cut = path.find(kSeparator, from);
        bool last = cut == std::string::npos;
        std::string name = path.substr(from, last ? std::string::npos : cut - from);
        if (!SeekIn(name, last)) {
            return;
        }
        from = cut + 1;
    }
}

cPictureSequence::cPictureSequence(const std::vector<std::string>& entries_, bool randomOrder_, uint32_t seed,
                                   const ResumePoint& resume_, std::unique_ptr<cFolderSource> folders_,
                                   const cPictureExtensions& extensions_)
    : entries(entries_), randomOrder(randomOrder_), resume(resume_), folders(std::move(folders_)),
      extensions(extensions_), random(), walk(*this), hash(kHashStart)
{
    random.Seed(seed);
}

// The folder's items a show takes: pictures by their extension and folders, neither hidden
// nor system, and no folder that is a link.
std::vector<ListedItem> cPictureSequence::Shown(const std::string& folder)
{
    std::vector<ListedItem> items;
    if (!folders->List(folder, &items)) {
        return {};
    }
    items.erase(std::remove_if(items.begin(), items.end(),
                               [this](const ListedItem& item) {
                                   return item.hidden ||
                                          (item.folder ? item.link : !extensions.Matches(item.name.c_str()));
                               }),
                items.end());
    return items;
}

void cFolderSource::SortByName(std::vector<ListedItem>* items) const
{
    std::stable_sort(items->begin(), items->end(),
                     [this](const ListedItem& a, const ListedItem& b) { return NameBefore(a.name, b.name); });
}

// The shown items in walk order: the pictures by name, then the folders by name. Random
// order needs only an order that stays while the library does, and takes the names' bytes,
// which is many times quicker than the shell's order.
std::vector<ListedItem> cPictureSequence::Listing(const std::string& folder)
{
    std::vector<ListedItem> items = Shown(folder);
    if (randomOrder) {
        std::sort(items.begin(), items.end(), [](const ListedItem& a, const ListedItem& b) { return a.name < b.name; });
    } else {
        folders->SortByName(&items);
    }
    std::stable_partition(items.begin(), items.end(), [](const ListedItem& item) { return !item.folder; });
    return items;
}

uint32_t cPictureSequence::Random(uint32_t count)
{
    return Below(Draw30(random), count);
}

SequencePick cPictureSequence::MakePick(const Found& found)
{
    resume.entry = found.entry;
    resume.path = found.path;
    SequencePick pick;
    pick.path = found.path;
    pick.inFolder = found.inFolder;
    pick.serial = ++picks;
    pick.resume = resume;
    return pick;
}

SequencePick cPictureSequence::Next()
{
    if (!randomOrder) {
        return NextInList();
    }
    Found found;
    if (!walked && Descend(&found)) {
        return MakePick(found);
    }
    while (WalkStep()) {
    }
    return NextInRound();
}

SequencePick cPictureSequence::NextFor(uint32_t monitor, uint32_t monitors)
{
    if (monitor >= monitors) {
        return Next();
    }
    if (turns.size() != monitors) {
        turns.assign(monitors, 0);
        waiting.assign(monitors, std::deque<SequencePick>());
    }
    if (!waiting[monitor].empty()) {
        SequencePick pick = std::move(waiting[monitor].front());
        waiting[monitor].pop_front();
        return pick;
    }
    for (;;) {
        uint32_t first = 0;
        for (uint32_t i = 1; i < monitors; ++i) {
            first = turns[i] < turns[first] ? i : first;
        }
        ++turns[first];
        SequencePick pick = Next();
        if (first == monitor) {
            return pick;
        }
        waiting[first].push_back(std::move(pick));
    }
}

// The picture after the last one picked, wrapping at the end of the list; none when a whole
// pass finds nothing.
SequencePick cPictureSequence::NextInList()
{
    if (!resumed) {
        Resume();
    }
    bool wrapped = false;
    Found found;
    for (;;) {
        Step step = walk.Advance(&found);
        if (step == STEP_PICTURE) {
            return MakePick(found);
        }
        if (step == STEP_END) {
            if (wrapped) {
                return SequencePick();
            }
            wrapped = true;
            walk.Restart(0);
        }
    }
}

// List order goes on after the stored picture: found by its path in its entry (or any entry
// that holds it), or after the place where it was; otherwise from its entry's place.
void cPictureSequence::Resume()
{
    resumed = true;
    if (resume.path.empty() || entries.empty()) {
        return;
    }
    uint32_t count = static_cast<uint32_t>(entries.size());
    uint32_t holder = resume.entry < count && Covers(entries[resume.entry], resume.path) ? resume.entry : kNone;
    for (uint32_t i = 0; i < count && holder == kNone; ++i) {
        if (Covers(entries[i], resume.path)) {
            holder = i;
        }
    }
    if (holder == kNone) {
        walk.Restart(resume.entry < count ? resume.entry : 0);
    } else if (entries[holder] == resume.path) {
        walk.Restart(holder + 1);
    } else {
        walk.SeekAfter(holder, resume.path);
    }
}

// A picture from anywhere in the library without walking it all: a random entry, and in a
// folder a random picture or subfolder, down to a picture.
bool cPictureSequence::Descend(Found* found)
{
    for (int tries = 0; tries < kDescentTries && !entries.empty(); ++tries) {
        uint32_t entry = Random(static_cast<uint32_t>(entries.size()));
        std::string path = entries[entry];
        if (folders->KindOf(path) != PATH_FOLDER) {
            *found = {path, entry, false};
            return true;
        }
        for (int depth = 0; depth < kDescentDepth; ++depth) {
            std::vector<ListedItem> items = Shown(path);
            if (items.empty()) {
                break;
            }
            const ListedItem& item = items[Random(static_cast<uint32_t>(items.size()))];
            path = Join(path, item.name);
            if (!item.folder) {
                *found = {path, entry, true};
                return true;
            }
        }
    }
    return false;
}

bool cPictureSequence::WalkStep()
{
    if (!randomOrder || walked) {
        return false;
    }
    uint64_t listed = walk.listings;
    Found found;
    for (int moves = 0; moves < kMovesPerStep && walk.listings == listed; ++moves) {
        Step step = walk.Advance(&found);
        if (step == STEP_PICTURE) {
            Keep(found);
        } else if (step == STEP_END) {
            BeginRounds();
            return false;
        }
    }
    return true;
}

void cPictureSequence::Keep(const Found& found)
{
    pathStarts.push_back(static_cast<uint32_t>(paths.size()));
    paths.insert(paths.end(), found.path.begin(), found.path.end());
    paths.push_back('\0');
    pathEntries.push_back(found.entry);
    hash = HashPath(hash, found.path);
}

// The stored round goes on when the library is the one it was made for; otherwise a new
// round begins, whose first picture is not the one shown last.
void cPictureSequence::BeginRounds()
{
    walked = true;
    uint32_t count = static_cast<uint32_t>(pathStarts.size());
    if (count > 0 && resume.libraryCount == count && resume.libraryHash == hash && resume.roundShown < count) {
        order = RoundOrder(resume.round, count);
        position = resume.roundShown;
        return;
    }
    NewRound(IndexOf(resume.path));
}

void cPictureSequence::NewRound(uint32_t avoid)
{
    uint32_t count = static_cast<uint32_t>(pathStarts.size());
    uint32_t round = Draw30(random);
    order = RoundOrder(round, count);
    if (count >= 2 && order[0] == avoid) {
        round |= kSwapEnds;
        std::swap(order[0], order[count - 1]);
    }
    position = 0;
    resume.round = round;
    resume.roundShown = 0;
    resume.libraryCount = count;
    resume.libraryHash = hash;
}

SequencePick cPictureSequence::NextInRound()
{
    uint32_t count = static_cast<uint32_t>(pathStarts.size());
    if (count == 0) {
        return SequencePick();
    }
    if (position == count) {
        NewRound(order[count - 1]);
    }
    uint32_t picture = order[position++];
    resume.roundShown = position;
    std::string path = PathOf(picture);
    uint32_t entry = pathEntries[picture];
    return MakePick({path, entry, path != entries[entry]});
}

std::string cPictureSequence::PathOf(uint32_t picture) const
{
    return std::string(&paths[pathStarts[picture]]);
}

uint32_t cPictureSequence::IndexOf(const std::string& path) const
{
    for (uint32_t i = 0; i < pathStarts.size(); ++i) {
        if (strcmp(&paths[pathStarts[i]], path.c_str()) == 0) {
            return i;
        }
    }
    return kNone;
}
