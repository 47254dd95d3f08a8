#ifndef LISTSPAGEACCESSIBLE_H
#define LISTSPAGEACCESSIBLE_H

// The lists page as assistive tools are to meet it. A task tree presents
// only its rows, so the overlays floating over it (the search bar, the
// syncing overlay) would be out of their reach: they are presented as
// children of the tab widget holding the tree. And
// a list's tab claims the keyboard focus only when its bar has it (the bar
// takes none), not whenever it is the current tab, so that the focus is
// told where the user is: in the tree or in the search field.
namespace ListsPageAccessible {

// Makes the page's widgets present themselves so; once is enough.
void install();

} // namespace ListsPageAccessible

#endif
