#include "uncertainty/uncertaintyelements.h"

#include <algorithm>
#include <cmath>

#include "appdata/appdata.h"
#include "appdata/codetables.h"
#include "platform/qtpicturebox.h"
#include "runtime/convert.h"

namespace nuvir {

namespace {

constexpr double kMinElementWidth = 3700;
constexpr double kGap = 100;
constexpr int kFirstBoxElements = 9;

// Item i of the application data when it is an array of at least `entries` entries.
const Variant* Record(int i, int entries) {
    if (AppData.dims() != 1 || i < AppData.lbound(1) || i > AppData.ubound(1)) return nullptr;
    const Variant& r = AppData(i);
    if (r.dims() != 1 || r.lbound(1) > 0 || r.ubound(1) < entries - 1) return nullptr;
    return &r;
}

}  // namespace

int LayoutColumns(double hostWidth) {
    return static_cast<int>(std::clamp(std::floor(hostWidth / kMinElementWidth), 1.0, 9.0));
}

ElementLayout ComputeElementLayout(int columns, double hostWidth, double hostHeight) {
    ElementLayout l;
    l.columns = std::clamp(columns, 1, 9);
    l.width = std::max(kMinElementWidth, (hostWidth - kGap * (l.columns + 1)) / l.columns);
    l.rows = std::max(1, kFirstBoxElements / l.columns);
    l.height = std::min(l.width, (hostHeight - kGap * (l.rows + 1)) / l.rows);
    return l;
}

CUncertaintyElements::CUncertaintyElements() = default;

CUncertaintyElements::~CUncertaintyElements() {
    for (auto& e : m_Elements) {
        if (e) e->SetHost(nullptr);
        e.reset();
    }
}

void CUncertaintyElements::SetHost(const std::vector<QtPictureBox*>& hosts) {
    if (m_bReady || hosts.empty() || hosts.front() == nullptr) return;
    m_oHosts = hosts;
    for (QtPictureBox* h : hosts) m_hostGuards.emplace_back(h);
    SetupContainers();
}

void CUncertaintyElements::SetupContainers() {
    for (QtPictureBox* h : m_oHosts) {
        if (h != nullptr) h->SetFont(SansSerif(8));
    }
    m_bReady = true;
}

CUncertaintyElement* CUncertaintyElements::UncertaintyElement(int i) const {
    if (i < 0 || i >= kElements) return nullptr;
    return m_Elements[static_cast<std::size_t>(i)].get();
}

void CUncertaintyElements::SetData() {
    if (!m_bReady) return;
    for (auto& e : m_Elements) {
        if (!e) continue;
        const int id = e->ID();
        if (const Variant* r = Record(item::Absolute(id), 1)) TryStep([&] { e->SetValue(CDbl((*r)(0))); });
        // The element refuses the table unless categories are on for its kind.
        if (id >= item::kI1 && AppData.dims() == 1 && item::CategoryTable(id) <= AppData.ubound(1))
            e->SetCategoryData(AppData(item::CategoryTable(id)));
    }
}

void CUncertaintyElements::Render() {
    if (!m_bReady) return;
    QtPictureBox* first = m_hostGuards.front();
    QtPictureBox* last = m_hostGuards.back();
    if (first == nullptr || last == nullptr) return;
    const double W = first->Control::Width();
    const double H = first->Control::Height();
    if (m_nColumns == 0) m_nColumns = LayoutColumns(W);
    const ElementLayout layout = ComputeElementLayout(m_nColumns, W, H);

    m_bLoading = true;
    for (int i = 0; i < kElements; ++i) {
        auto& e = m_Elements[static_cast<std::size_t>(i)];
        if (!e) {
            e = std::make_unique<CUncertaintyElement>();
            e->SetHost(i < kFirstBoxElements ? first : last);
            e->SetID(i);
            e->SetDistribution(0);
            e->SetValue(i < item::kI1 ? 0.5 : 1.0);
            e->SetPercent(50);
            connect(e.get(), &CUncertaintyElement::DataChanged, this, [this](int id) {
                if (!m_bLoading) Q_EMIT DataChanged(id);
            });
        }
        e->SetWidth(layout.width);
        e->SetHeight(layout.height);
        const int k = i < kFirstBoxElements ? i : i - kFirstBoxElements;
        const CUncertaintyElement* prev = i > 0 ? m_Elements[static_cast<std::size_t>(i - 1)].get() : nullptr;
        if (k % layout.columns == 0) {
            e->SetLeft(kGap);
            e->SetTop(k == 0 ? kGap : prev->Top() + prev->Height() + kGap);
        } else {
            e->SetLeft(prev->Left() + prev->Width() + kGap);
            e->SetTop(prev->Top());
        }
        e->SetSuppressRendering(true);
        if (const Variant* r = Record(item::Absolute(i), 3)) {
            // Each element on its own: a code no editor has (a hand-edited file) must
            // not leave the SD of the editor's previous assessment on show.
            TryStep([&] { e->SetValue(CDbl((*r)(0))); });
            TryStep([&] {
                const double code = CDbl((*r)(1));
                if (MKelvaro::NamesDistribution(code)) {
                    e->SetDistribution(static_cast<int>(code));
                } else {
                    e->SetInvalidDistribution(code);
                }
            });
            TryStep([&] { e->SetSD(CDbl((*r)(2))); });
        }
        e->SetSuppressRendering(false);
        e->Render();
    }
    m_bLoading = false;
}

void CUncertaintyElements::WriteRecord(const CUncertaintyElement& e) {
    const int i = item::Absolute(e.ID());
    if (Record(i, 3) == nullptr) return;
    ElementRef r = AppData(i);
    r(0) = Variant(e.Value());
    // A code shown as invalid stays in the data until a distribution is chosen.
    if (e.DistributionValid()) r(1) = Variant(static_cast<std::int32_t>(e.Distribution()));
    r(2) = Variant(e.SD());
}

void CUncertaintyElements::UpdateAppData(int id) {
    if (!m_bReady || id > 12) return;
    if (id >= 0) {
        if (const auto* e = UncertaintyElement(id)) WriteRecord(*e);
        return;
    }
    for (const auto& e : m_Elements) {
        if (e) WriteRecord(*e);
    }
}

}  // namespace nuvir
