// The pictures a show goes through, one at a time: the image list's entries in list order, a
// folder entry standing for the pictures in it and in its subfolders, or rounds of a random
// order over the whole library, each picture once a round; and where the next run resumes.
// Plain code: the file system is reached only through cFolderSource.
#pragma once

#include "PictureExtensions.h"
#include "SlideShowLogic.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// One entry of a folder as the file system lists it; names and paths are UTF-8.
struct ListedItem {
    std::string name;
    bool folder;
    bool hidden; // hidden or system
    bool link;   // a reparse point: a symbolic link or a junction
};

enum PathKind { PATH_MISSING, PATH_FILE, PATH_FOLDER };

// The file system as the sequence sees it. Paths join their parts with a backslash.
class cFolderSource {
public:
    virtual ~cFolderSource() = default;
    // The folder's entries without "." and "..", in any order; false when it cannot be read.
    virtual bool List(const std::string& folder, std::vector<ListedItem>* items) = 0;
    virtual PathKind KindOf(const std::string& path) = 0;
    // Whether name `a` comes before `b` as the system's shell orders names ("2" before "10").
    virtual bool NameBefore(const std::string& a, const std::string& b) const = 0;
    // The items in that order of their names, equal ones as they were.
    virtual void SortByName(std::vector<ListedItem>* items) const;
};

// Where a run goes on: what was shown last, and the random round under way.
struct ResumePoint {
    uint32_t entry = 0; // the image list entry of the last picture shown
    std::string path;   // that picture; empty: the show begins afresh
    uint32_t round = 0; // the round's permutation, as RoundOrder makes it
    uint32_t roundShown = 0;
    uint32_t libraryCount = 0; // the library the round is of, 0 for none: its pictures
    uint32_t libraryHash = 0;  // and a hash of their paths in list order
};

// A picture to show, and where a run resumes once it is shown.
struct SequencePick {
    std::string path; // empty when the library has no picture
    bool inFolder = false;
    uint64_t serial = 0; // counts the picks from 1: a later pick has a higher one
    ResumePoint resume;
};

// The permutation of a round of `count` pictures: a shuffle by the show's generator seeded
// with the round's low 31 bits; bit 31 swaps the first and the last picture.
std::vector<uint32_t> RoundOrder(uint32_t round, uint32_t count);

class cPictureSequence {
public:
    // `seed` seeds the generator of random order; `resume` is what the last run stored.
    cPictureSequence(const std::vector<std::string>& entries, bool randomOrder, uint32_t seed,
                     const ResumePoint& resume, std::unique_ptr<cFolderSource> folders,
                     const cPictureExtensions& extensions);
    cPictureSequence(const cPictureSequence&) = delete;
    cPictureSequence& operator=(const cPictureSequence&) = delete;

    // Random order walks the whole library before its rounds begin: one step lists one folder.
    // False once nothing is left to walk (at once in list order).
    bool WalkStep();
    // The next picture. While the walk is not complete, random order picks by a random descent
    // from the entries through the folders; those picks stand outside the rounds.
    SequencePick Next();
    // The next picture of monitor `monitor` of `monitors`: the monitors take their turns from
    // the sequence in show order, a picture each, whatever order they ask in. Each asks once
    // a turn; a new number of monitors begins the turns afresh.
    SequencePick NextFor(uint32_t monitor, uint32_t monitors);
    // The extensions of the pictures folder entries show: more may join before the first
    // step or pick.
    cPictureExtensions& Extensions() { return extensions; }

private:
    struct Level {
        std::string folder;
        std::vector<ListedItem> items; // pictures by name, then folders by name
        size_t next;
    };
    struct Found {
        std::string path;
        uint32_t entry;
        bool inFolder;
    };
    enum Step { STEP_PICTURE, STEP_MOVED, STEP_END };

    // A walk through the entries in list order, depth first.
    class cWalk {
    public:
        explicit cWalk(cPictureSequence& owner);
        Step Advance(Found* found);
        void Restart(uint32_t entry);
        void SeekAfter(uint32_t entry, const std::string& path);
        uint64_t listings = 0;

    private:
        void Enter(const std::string& folder);
        bool SeekIn(const std::string& name, bool last);
        cPictureSequence& owner;
        uint32_t nextEntry = 0;
        uint32_t entry = 0;
        std::vector<Level> levels;
    };

    std::vector<ListedItem> Shown(const std::string& folder);
    std::vector<ListedItem> Listing(const std::string& folder);
    uint32_t Random(uint32_t count);
    SequencePick MakePick(const Found& found);
    SequencePick NextInList();
    void Resume();
    bool Descend(Found* found);
    SequencePick NextInRound();
    void Keep(const Found& found);
    void BeginRounds();
    void NewRound(uint32_t avoid);
    std::string PathOf(uint32_t picture) const;
    uint32_t IndexOf(const std::string& path) const;

    const std::vector<std::string> entries;
    const bool randomOrder;
    ResumePoint resume; // the last pick's, or the stored one before any
    std::unique_ptr<cFolderSource> folders;
    cPictureExtensions extensions;
    ShowRandom random;
    uint64_t picks = 0;
    cWalk walk;
    bool resumed = false;
    bool walked = false;
    // The library of random order: the paths in list order, end to end with their zeros.
    std::vector<char> paths;
    std::vector<uint32_t> pathStarts;
    std::vector<uint32_t> pathEntries;
    uint32_t hash;
    std::vector<uint32_t> order; // the round under way
    uint32_t position = 0;
    // Per monitor: the turns it was given, and its picks of turns it has not asked for yet.
    std::vector<uint64_t> turns;
    std::vector<std::deque<SequencePick>> waiting;
};
