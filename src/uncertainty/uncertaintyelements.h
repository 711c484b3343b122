#pragma once
// CUncertaintyElements: the thirteen uncertainty editors, one per quantity in the
// order p1..p4, I1..I5, F1..F4, laid out over the main window's host picture boxes
// (the first box holds p1..I5, the last F1..F4), kept in step with the absolute
// uncertainty records of the application data (items 22 to 34).
//
// The window gives the hosts once (`SetHost`), then calls `SetData` (means and
// category tables) and `Render` (layout, distribution and SD, drawing) whenever it
// shows an assessment or the options change, and `UpdateAppData(ID)` from its handler
// of `DataChanged(ID)`, which relays every element's own event. While `Render` loads
// the records nothing is relayed, so a loaded record is never overwritten by what
// the editors showed before.
#include <QObject>
#include <QPointer>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "uncertainty/uncertaintyelement.h"

namespace nuvir {

class QtPictureBox;

// The element grid of a host box of width W and height H (twips), for `columns`
// element columns (clamped to 1..9): each element's width and height.
struct ElementLayout {
    int columns = 1;
    int rows = 1;
    double width = 0;
    double height = 0;
};
// The number of columns a first render chooses for a host W twips wide, clamped to
// 1..9 so that the layout never divides by zero.
int LayoutColumns(double hostWidth);
ElementLayout ComputeElementLayout(int columns, double hostWidth, double hostHeight);

class CUncertaintyElements : public QObject {
    Q_OBJECT
public:
    static constexpr int kElements = 13;

    CUncertaintyElements();
    ~CUncertaintyElements() override;

    // The host boxes, lowest index first. The first set counts; an empty list or a
    // missing first box is ignored, as is every later set.
    const std::vector<QtPictureBox*>& Host() const { return m_oHosts; }
    void SetHost(const std::vector<QtPictureBox*>& hosts);

    // Means from items 22..34 (entry 0); category tables from items 69..77 while
    // categories are on for their kind. Values equal to those shown redraw nothing.
    void SetData();
    // Creates missing elements, lays all out, loads mean, distribution and SD from
    // items 22..34 and draws each one.
    void Render();
    // Writes element ID's mean, distribution and SD into its record; a negative ID
    // writes all, an ID above 12 (or an element not yet made) nothing.
    void UpdateAppData(int id);
    // Element i, or nullptr.
    CUncertaintyElement* UncertaintyElement(int i) const;

Q_SIGNALS:
    void DataChanged(int id);

private:
    void SetupContainers();
    void WriteRecord(const CUncertaintyElement& e);

    std::array<std::unique_ptr<CUncertaintyElement>, kElements> m_Elements;
    std::vector<QtPictureBox*> m_oHosts;
    std::vector<QPointer<QtPictureBox>> m_hostGuards;
    bool m_bReady = false;
    bool m_bLoading = false;
    int m_nColumns = 0;
};

}  // namespace nuvir
