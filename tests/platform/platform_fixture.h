#pragma once
// What the platform tests share: error numbers, pixel counts, a modal window waited for,
// and a flex grid on a shown form, 15 twips to the pixel, with a log of its events.
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/flexgrid.h"
#include "platform/form.h"
#include "platform/picturebox.h"
#include "platform/screen.h"
#include "runtime/convert.h"
#include "testsupport.h"
#include "runtime/error.h"

namespace nuvir::test {

// How many pixels of the image have the colour.
inline int CountColour(const QImage& img, Colour c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += QColorToColour(QColor(img.pixel(x, y))) == c;
    return n;
}

// Runs `act` on the modal window that `isIt` accepts as soon as it shows (looked for
// every 10 ms; after 100 s, a hang guard, it gives up: it shows within a second); the
// test then shows it.
inline void WhenModalShows(std::function<bool(QWidget&)> isIt, std::function<void(QWidget&)> act) {
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, isIt = std::move(isIt), act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool found = modal != nullptr && isIt(*modal);
        if (!found && clock->elapsed() < 100000) return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (found) act(*modal);
    });
    timer->start(10);
}

// Screen metrics for one test, put back after it.
struct ScopedMetrics {
    explicit ScopedMetrics(const ScreenMetrics& m) : metrics(m) { SetScreenMetrics(&metrics); }
    ~ScopedMetrics() { SetScreenMetrics(nullptr); }
    ScreenMetrics metrics;
};

class FlexGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetScreenMetrics(&metrics_);
        form_ = std::make_unique<Form>();
        form_->resize(600, 500);
        grid_ = form_->Add<FlexGrid>("flxTest");
        grid_->Move(150, 150, 4500, 3000);  // 10,10 px; 300 x 200 px
        Record();
        ShowForm();
    }

    void TearDown() override {
        form_.reset();
        SetScreenMetrics(nullptr);
    }

    void ShowForm() {
        form_->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    }

    // Logs every notification with the current cell as it is at that moment.
    void Record() {
        auto cell = [this] { return "(" + std::to_string(grid_->Row()) + "," + std::to_string(grid_->Col()) + ")"; };
        QObject::connect(grid_, &FlexGrid::LeaveCell, [this, cell] { log_.push_back("leave" + cell()); });
        QObject::connect(grid_, &FlexGrid::EnterCell, [this, cell] { log_.push_back("enter" + cell()); });
        ControlEvents* ev = grid_->Events();
        QObject::connect(ev, &ControlEvents::Click, [this, cell] { log_.push_back("click" + cell()); });
        QObject::connect(ev, &ControlEvents::MouseDown, [this, cell](int b, int, double, double) {
            log_.push_back("down" + std::to_string(b) + cell());
        });
        QObject::connect(ev, &ControlEvents::MouseUp, [this, cell](int b, int, double, double) {
            log_.push_back("up" + std::to_string(b) + cell());
        });
        QObject::connect(ev, &ControlEvents::Scroll,
                         [this] { log_.push_back("scroll" + std::to_string(grid_->TopRow())); });
        QObject::connect(ev, &ControlEvents::KeyDown,
                         [this](int& code, int) { log_.push_back("key" + std::to_string(code)); });
    }

    // The centre of a cell in viewport coordinates, where mouse events go.
    QPoint CellCentre(int row, int col) const {
        const QRect r = grid_->CellRectPx(row, col);
        EXPECT_FALSE(r.isEmpty()) << "cell " << row << "," << col << " is not on view";
        return r.center() - grid_->viewport()->geometry().topLeft();
    }

    void Click(int row, int col, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(grid_->viewport(), button, Qt::NoModifier, CellCentre(row, col));
    }

    std::string Joined() const {
        std::string s;
        for (const auto& e : log_) s += (s.empty() ? "" : " ") + e;
        return s;
    }

    struct Cell {
        int row, col;
        const char* text;
    };
    // Each cell's text on its own, the cell named in the failure.
    void ExpectCells(std::initializer_list<Cell> cells) const {
        for (const Cell& c : cells)
            EXPECT_EQ(grid_->TextMatrix(c.row, c.col), c.text) << "cell " << c.row << "," << c.col;
    }

    // Fills an r x c grid (one fixed row and column) with "r:c" texts.
    void Fill(int rows, int cols) {
        grid_->SetRows(rows);
        grid_->SetCols(cols);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) grid_->SetTextMatrix(r, c, std::to_string(r) + ":" + std::to_string(c));
    }

    ScreenMetrics metrics_{};
    std::unique_ptr<Form> form_;
    FlexGrid* grid_ = nullptr;
    std::vector<std::string> log_;
};

}  // namespace nuvir::test
