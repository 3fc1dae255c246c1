#pragma once

#include <string>
#include <vector>

// A scrollable list of item texts, each item owning a nested list, plus the playback
// parameters of a macro or emulation. Key assignments of the combination, macro and
// emulation kinds, the three predefined libraries and the profile's "List" element all
// use this one shape.
//
// "row" arguments are relative to ViewStartAt, "index" arguments are absolute.
// items and children always have the same length.
class ListRecord {
public:
    // Rows the owning list view shows. 0 until the owner sets it (6 for combination-type
    // lists, 9 for macro- and emulation-type lists); clear() keeps it.
    int SizeOfView = 0;
    int ViewStartAt = 0;
    int CursorPos = 0; // relative to ViewStartAt
    std::vector<std::u16string> items;
    std::vector<ListRecord> children;
    int Cycles = 1;
    bool IsAutoInterval = false;
    int Delay = 30;
    int PlayMode = 0;

    // Empties the list and resets every field but SizeOfView.
    void clear();
    // clear(), then a deep copy of other, SizeOfView included. Safe when other is this
    // list or lies inside it.
    void copyFrom(const ListRecord& other);

    // The item at row + ViewStartAt; empty text outside the list.
    std::u16string itemAtRow(int row) const;
    // A copy of the child at row + ViewStartAt; outside the list a cleared list with this
    // list's SizeOfView.
    ListRecord childAtRow(int row) const;
    // Replaces the child at row + ViewStartAt with a copy of list; nothing outside the list.
    void setChildAtRow(int row, const ListRecord& list);

    // Clamps index into the list and makes it the cursor, scrolling only when it is not
    // visible. On an empty list the view goes back to the top.
    void selectIndex(int index);
    // Replaces the text at row + ViewStartAt (its child stays), or appends text with a new
    // cleared child when that position is not in the list; an append scrolls to the end.
    void setOrAppend(int row, const std::u16string& text);
    // Inserts text and a new child at row + ViewStartAt (view unchanged), or appends as
    // setOrAppend does when that position is not in the list.
    void insertAt(int row, const std::u16string& text);
    // Removes the item at min(row + ViewStartAt, count - 1) and keeps the view inside the
    // list. Nothing on an empty list or for a position before the list's start.
    void removeAt(int row);

    // First exact (case-sensitive) match, -1 when none.
    int indexOf(const std::u16string& text) const;
    // Same item texts in the same order and the same playback parameters; the view fields,
    // SizeOfView and the children are not compared.
    bool sameDefinition(const ListRecord& other) const;
    // For a library: selects the first entry whose definition equals definition, or appends
    // an entry named "default" holding a copy of definition and selects it.
    void addOrSelect(const ListRecord& definition);

private:
    void appendAndScroll(const std::u16string& text);
};
