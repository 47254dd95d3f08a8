#ifndef GROUPSMERGE_H
#define GROUPSMERGE_H

#include <QList>

class ListsGroups;

// What this computer changed in the list groups tree since it last agreed
// with the server, put onto the server's tree: a three-way merge of the
// agreed tree (base), the tree here (mine) and the server's (theirs). A pure
// function of the three: no requests, no widgets.
//
// Groups are told apart by their server ids (a group without one is new
// here), entries by their lists' server ids. A group's name, expanded flag,
// parent and place among its siblings, and an entry's group and place, change
// only where one side changed them; where both changed one differently, mine
// goes up (the later upload). A group removed on one side stays removed
// unless the other side changed it or put something in it: then it stays,
// and what the removal had moved up out of it goes back. An entry removed
// here (its list is gone) stays removed; one only the server has comes down;
// one the agreed tree lacks that stands in the default group here (where the
// page puts every list it learns of) takes the server's place.
class GroupsMerge
{
public:
    // The merged tree, new, owned by the caller: no marks set, no agreed
    // copy; removed groups the server still holds are reported as removed.
    // With `uploadInDoubt` (an upload of mine may have arrived unanswered), a
    // group new here is the one the server holds under the same parent with
    // the same name that the agreed tree lacks.
    // `sent` holds what uploads in doubt sent (ListsGroups::sentInDoubt),
    // oldest first. What the server holds as one of them sent it is agreed,
    // not the other side's change: a group it made is the server's group of
    // its name under its parent that neither the agreed tree nor the upload
    // itself named, and a group here is that group by its local id. With
    // them, `uploadInDoubt` pairs nothing by name.
    static ListsGroups *merge(const ListsGroups &base, const ListsGroups &mine, const ListsGroups &theirs,
                              bool uploadInDoubt = false, const QList<const ListsGroups *> &sent = {});

    // Whether a run sends the tree here (null: none), merged with the
    // server's first unless `forceRemote`, which sends it as it is; a
    // forced local run never does. Otherwise it goes when the user changed
    // it since it agreed with the server.
    static bool goesUp(const ListsGroups *groups, bool forceRemote, bool forceLocal);
};

#endif
