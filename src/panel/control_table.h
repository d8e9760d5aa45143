#pragma once

#include <QHash>
#include <QRect>
#include <QString>

#include <span>

class QWidget;

namespace panel {

// Design states of a control beyond its geometry and text.
enum ControlFlag : unsigned {
    kHidden = 1u << 0,   // not visible at design
    kDisabled = 1u << 1,
    kToggle = 1u << 2,   // two-state button that stays down until pressed again
    kDown = 1u << 3,     // two-state button down at design
    kEditable = 1u << 4, // drop-down with a typing field
    kFlat = 1u << 5,     // panel without a bevel
    kDisplay = 1u << 6,  // panel in the meter display's colour
    kNoMouse = 1u << 7,  // lets the pointer through to what lies below
};

// One control of a window definition. Geometry is relative to the parent;
// fontPx is the character height in pixels (0 keeps the parent's); text is the
// caption, or for lists the items separated by '\n' (UTF-8).
struct ControlDesign
{
    const char *name;
    const char *parent;
    QRect geometry;
    int fontPx;
    Qt::Alignment align;
    unsigned flags;
    const char *text;
};

// A design row plus the way to create the control into its member of Owner.
template <class Owner>
struct ControlRow
{
    ControlDesign design;
    QWidget *(*create)(Owner &owner, QWidget *parent);
};

namespace detail {
template <class T>
struct MemberOf;
template <class C, class W>
struct MemberOf<W *C::*>
{
    using Owner = C;
    using Widget = W;
};
} // namespace detail

// Creates the widget type of the member, stores it there and returns it.
template <auto Member>
QWidget *createMember(typename detail::MemberOf<decltype(Member)>::Owner &owner, QWidget *parent)
{
    using Widget = typename detail::MemberOf<decltype(Member)>::Widget;
    auto *widget = new Widget(parent);
    owner.*Member = widget;
    return widget;
}

// Names of the controls built so far, starting with the root and its named
// descendants, so a table can hang its controls below an earlier table's.
class ControlIndex
{
public:
    explicit ControlIndex(QWidget *root);
    QWidget *parentFor(const ControlDesign &design) const;
    void add(QWidget *widget);

private:
    QHash<QString, QWidget *> m_byName;
};

// Sets name, geometry, font, text, items and design states of one control.
void applyDesign(QWidget *widget, const ControlDesign &design);

// Builds every row in order; later rows lie above earlier siblings.
template <class Owner>
void buildControls(Owner &owner, QWidget *root, std::span<const ControlRow<Owner>> rows)
{
    ControlIndex index(root);
    for (const ControlRow<Owner> &row : rows) {
        QWidget *widget = row.create(owner, index.parentFor(row.design));
        applyDesign(widget, row.design);
        index.add(widget);
    }
}

// Text alignments of the tables. The display's character heights exceed some
// of its field heights (27 pixels in a 26-pixel field); centring the line
// vertically keeps the glyphs whole and only trims the empty leading.
inline constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
inline constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
inline constexpr Qt::Alignment kCentre = Qt::AlignCenter;
inline constexpr Qt::Alignment kTopLeft = Qt::AlignLeft | Qt::AlignTop;

} // namespace panel
