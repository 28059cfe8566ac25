// The live plot of the average video level: the values of the last 60 s against the seconds
// since the test started, in % of the target or in bins after the test's mode, so the engineer
// sees the trend while adjusting. In relative mode a dashed line marks the target (100 %).
#pragma once

#include <cstdint>
#include <deque>

#include <QWidget>

class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;

class CLevelPlot : public QWidget {
    Q_OBJECT
public:
    static constexpr uint64_t kWindowMs = 60000;

    explicit CLevelPlot(QWidget* parent);

    // Starts a new trace: no points, the unit of the mode, time 0 at the next value.
    void Restart(bool relative);
    // Adds a value read at time_ms (monotonic) in the mode's unit (percent or bins); points older
    // than the window go.
    void AddValue(uint64_t time_ms, double value);

    int PointCount() const;
    QValueAxis* TimeAxis() const { return time_axis_; }
    QValueAxis* LevelAxis() const { return level_axis_; }
    QChartView* ChartView() const { return view_; }

private:
    void FitAxes();

    QChart* chart_;
    QChartView* view_;
    QLineSeries* series_;
    QLineSeries* target_;
    QValueAxis* time_axis_;
    QValueAxis* level_axis_;
    bool relative_ = true;
    bool started_ = false;
    uint64_t start_ms_ = 0;
};
