#include "app/config/ListRecord.h"

#include <cstdint>
#include <utility>

namespace {

// View fields come from profile files unchecked, so row + ViewStartAt may overflow an int.
std::int64_t absoluteIndex(int row, int viewStartAt) {
    return static_cast<std::int64_t>(row) + viewStartAt;
}

bool inList(std::int64_t index, std::size_t count) {
    return index >= 0 && static_cast<std::uint64_t>(index) < count;
}

} // namespace

void ListRecord::clear() {
    ViewStartAt = 0;
    CursorPos = 0;
    items.clear();
    children.clear();
    Cycles = 1;
    IsAutoInterval = false;
    Delay = 30;
    PlayMode = 0;
}

void ListRecord::copyFrom(const ListRecord& other) {
    if (&other == this) {
        return;
    }
    // other may be one of our own descendants, which clear() would destroy.
    ListRecord copy(other);
    clear();
    *this = std::move(copy);
}

std::u16string ListRecord::itemAtRow(int row) const {
    const std::int64_t index = absoluteIndex(row, ViewStartAt);
    if (!inList(index, items.size())) {
        return {};
    }
    return items[static_cast<std::size_t>(index)];
}

ListRecord ListRecord::childAtRow(int row) const {
    const std::int64_t index = absoluteIndex(row, ViewStartAt);
    if (!inList(index, children.size())) {
        ListRecord empty;
        empty.SizeOfView = SizeOfView;
        return empty;
    }
    return children[static_cast<std::size_t>(index)];
}

void ListRecord::setChildAtRow(int row, const ListRecord& list) {
    const std::int64_t index = absoluteIndex(row, ViewStartAt);
    if (!inList(index, children.size())) {
        return;
    }
    ListRecord copy(list); // list may be this record or one of its children
    children[static_cast<std::size_t>(index)] = std::move(copy);
}

void ListRecord::selectIndex(int index) {
    const auto count = static_cast<std::int64_t>(items.size());
    if (count == 0) {
        ViewStartAt = 0;
        CursorPos = 0;
        return;
    }
    std::int64_t i = index;
    if (i < 0) {
        i = 0;
    }
    if (i > count - 1) {
        i = count - 1;
    }
    if (i >= ViewStartAt && i <= static_cast<std::int64_t>(ViewStartAt) + SizeOfView - 1) {
        CursorPos = static_cast<int>(i - ViewStartAt);
    } else {
        ViewStartAt = static_cast<int>(i);
        CursorPos = 0;
    }
}

void ListRecord::appendAndScroll(const std::u16string& text) {
    items.push_back(text);
    ListRecord child;
    child.SizeOfView = SizeOfView;
    children.push_back(std::move(child));

    const std::int64_t e = static_cast<std::int64_t>(items.size()) - ViewStartAt;
    if (e - SizeOfView < 1) {
        CursorPos = static_cast<int>(e - 1);
    } else {
        ViewStartAt = static_cast<int>(ViewStartAt + (e - SizeOfView));
        CursorPos = SizeOfView - 1;
    }
}

void ListRecord::setOrAppend(int row, const std::u16string& text) {
    const std::int64_t index = absoluteIndex(row, ViewStartAt);
    if (inList(index, items.size())) {
        items[static_cast<std::size_t>(index)] = text;
        return;
    }
    appendAndScroll(text);
}

void ListRecord::insertAt(int row, const std::u16string& text) {
    const std::int64_t index = absoluteIndex(row, ViewStartAt);
    if (inList(index, items.size())) {
        const auto at = static_cast<std::ptrdiff_t>(index);
        items.insert(items.begin() + at, text);
        ListRecord child;
        child.SizeOfView = SizeOfView;
        children.insert(children.begin() + at, std::move(child));
        return;
    }
    appendAndScroll(text);
}

void ListRecord::removeAt(int row) {
    if (items.empty()) {
        return;
    }
    std::int64_t index = absoluteIndex(row, ViewStartAt);
    if (index < 0) {
        return;
    }
    const auto last = static_cast<std::int64_t>(items.size()) - 1;
    if (index > last) {
        index = last;
    }
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(index));
    children.erase(children.begin() + static_cast<std::ptrdiff_t>(index));

    const auto count = static_cast<std::int64_t>(items.size());
    if (count == 0) {
        ViewStartAt = 0;
        CursorPos = 0;
        return;
    }
    if (ViewStartAt >= count) {
        ViewStartAt = static_cast<int>(count - 1);
    }
    // The cursor must stay on an item, also when the removed one was the last visible.
    if (CursorPos >= count - ViewStartAt) {
        CursorPos = static_cast<int>(count - ViewStartAt - 1);
    }
}

int ListRecord::indexOf(const std::u16string& text) const {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == text) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool ListRecord::sameDefinition(const ListRecord& other) const {
    return items == other.items && Cycles == other.Cycles &&
           IsAutoInterval == other.IsAutoInterval && Delay == other.Delay &&
           PlayMode == other.PlayMode;
}

void ListRecord::addOrSelect(const ListRecord& definition) {
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i].sameDefinition(definition)) {
            selectIndex(static_cast<int>(i));
            return;
        }
    }
    ListRecord copy(definition); // definition may live inside this library
    appendAndScroll(u"default");
    children.back() = std::move(copy);
}
