#include "DesignIntf.h"

#include <algorithm>
#include <mutex>

#include "Classes.h"

namespace vcl {

namespace {

struct Palette {
    std::mutex Lock;
    std::vector<std::pair<std::string, std::vector<const TMetaClass*>>> Pages;
    std::vector<const TMetaClass*> NoIcon;
};

Palette& ThePalette() {
    static Palette p;
    return p;
}

std::string FindPageLocked(Palette& p, const TMetaClass* Class) {
    for (const auto& [page, classes] : p.Pages)
        if (std::find(classes.begin(), classes.end(), Class) != classes.end()) return page;
    return {};
}

}  // namespace

void RegisterComponents(const std::string& Page, const std::vector<const TMetaClass*>& Classes) {
    if (Page.empty()) throw EComponentError("A palette page needs a name");
    Palette& p = ThePalette();
    {
        std::lock_guard<std::mutex> g(p.Lock);
        // Check everything first so that a refused call changes nothing.
        for (const TMetaClass* c : Classes) {
            if (!c) throw EComponentError("Cannot register a nil class on page " + Page);
            const std::string existing = FindPageLocked(p, c);
            if (!existing.empty() && existing != Page)
                throw EComponentError("Class " + c->ClassName() + " is already registered on page " +
                                      existing);
        }
        auto it = std::find_if(p.Pages.begin(), p.Pages.end(),
                               [&](const auto& e) { return e.first == Page; });
        if (it == p.Pages.end()) {
            p.Pages.emplace_back(Page, std::vector<const TMetaClass*>{});
            it = std::prev(p.Pages.end());
        }
        for (const TMetaClass* c : Classes)
            if (std::find(it->second.begin(), it->second.end(), c) == it->second.end())
                it->second.push_back(c);
    }
    for (const TMetaClass* c : Classes) RegisterClass(*c);
}

void RegisterComponents(const std::string& Page, std::initializer_list<const TMetaClass*> Classes) {
    RegisterComponents(Page, std::vector<const TMetaClass*>(Classes));
}

void RegisterNoIcon(std::initializer_list<const TMetaClass*> Classes) {
    Palette& p = ThePalette();
    {
        std::lock_guard<std::mutex> g(p.Lock);
        for (const TMetaClass* c : Classes) {
            if (!c) throw EComponentError("Cannot register a nil class");
            if (std::find(p.NoIcon.begin(), p.NoIcon.end(), c) == p.NoIcon.end()) p.NoIcon.push_back(c);
        }
    }
    for (const TMetaClass* c : Classes) RegisterClass(*c);
}

std::vector<std::string> PalettePages() {
    Palette& p = ThePalette();
    std::lock_guard<std::mutex> g(p.Lock);
    std::vector<std::string> r;
    for (const auto& e : p.Pages) r.push_back(e.first);
    return r;
}

std::vector<const TMetaClass*> PaletteClasses(const std::string& Page) {
    Palette& p = ThePalette();
    std::lock_guard<std::mutex> g(p.Lock);
    for (const auto& e : p.Pages)
        if (e.first == Page) return e.second;
    return {};
}

std::string PaletteOf(const TMetaClass& Class) {
    Palette& p = ThePalette();
    std::lock_guard<std::mutex> g(p.Lock);
    return FindPageLocked(p, &Class);
}

std::vector<const TMetaClass*> NoIconClasses() {
    Palette& p = ThePalette();
    std::lock_guard<std::mutex> g(p.Lock);
    return p.NoIcon;
}

bool IsDesignerClass(const TMetaClass& Class) {
    Palette& p = ThePalette();
    std::lock_guard<std::mutex> g(p.Lock);
    return !FindPageLocked(p, &Class).empty() ||
           std::find(p.NoIcon.begin(), p.NoIcon.end(), &Class) != p.NoIcon.end();
}

void ClearPalette() {
    Palette& p = ThePalette();
    std::lock_guard<std::mutex> g(p.Lock);
    p.Pages.clear();
    p.NoIcon.clear();
}

}  // namespace vcl
