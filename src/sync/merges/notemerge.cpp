#include "sync/merges/notemerge.h"

#include "sync/merges/threeway.h"

NoteMerge::Outcome NoteMerge::merge(const Version &base, const Version &mine, const Version &theirs)
{
    Outcome outcome;
    outcome.title = ThreeWay::merge(base.title, mine.title, theirs.title);
    outcome.keepsMineBeside = ThreeWay::conflicts(base.text, mine.text, theirs.text);
    outcome.text = ThreeWay::merge(base.text, mine.text, theirs.text, ThreeWay::Winner::Theirs);
    outcome.sameAsTheirs = outcome.title == theirs.title && outcome.text == theirs.text;
    return outcome;
}
