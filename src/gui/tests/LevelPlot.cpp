#include "gui/tests/LevelPlot.h"

#include <algorithm>

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <QVBoxLayout>

namespace {

constexpr double kWindowSeconds = CLevelPlot::kWindowMs / 1000.0;
constexpr double kTargetPercent = 100.0;

}  // namespace

CLevelPlot::CLevelPlot(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("LevelPlot"));
    chart_ = new QChart;
    chart_->legend()->hide();
    chart_->setMargins(QMargins(4, 4, 4, 4));
    series_ = new QLineSeries(chart_);
    target_ = new QLineSeries(chart_);
    QPen dashed(Qt::darkGray);
    dashed.setStyle(Qt::DashLine);
    target_->setPen(dashed);
    chart_->addSeries(target_);
    chart_->addSeries(series_);
    time_axis_ = new QValueAxis(chart_);
    time_axis_->setTitleText(QStringLiteral("Time (s)"));
    time_axis_->setLabelFormat(QStringLiteral("%d"));
    level_axis_ = new QValueAxis(chart_);
    chart_->addAxis(time_axis_, Qt::AlignBottom);
    chart_->addAxis(level_axis_, Qt::AlignLeft);
    for (QLineSeries* series : {series_, target_}) {
        series->attachAxis(time_axis_);
        series->attachAxis(level_axis_);
    }
    view_ = new QChartView(chart_, this);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumSize(360, 200);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    Restart(true);
}

void CLevelPlot::Restart(bool relative)
{
    relative_ = relative;
    started_ = false;
    series_->clear();
    target_->clear();
    level_axis_->setTitleText(relative ? QStringLiteral("Level (%)") : QStringLiteral("Level (bins)"));
    level_axis_->setLabelFormat(relative ? QStringLiteral("%.1f") : QStringLiteral("%d"));
    if (relative) {
        target_->append(0.0, kTargetPercent);
        target_->append(kWindowSeconds, kTargetPercent);
    }
    target_->setVisible(relative);
    FitAxes();
}

void CLevelPlot::AddValue(uint64_t time_ms, double value)
{
    if (!started_) {
        started_ = true;
        start_ms_ = time_ms;
    }
    const double seconds = (std::max(time_ms, start_ms_) - start_ms_) / 1000.0;
    series_->append(seconds, value);
    int old = 0;
    while (old < series_->count() && series_->at(old).x() < seconds - kWindowSeconds) ++old;
    if (old > 0) series_->removePoints(0, old);
    FitAxes();
}

int CLevelPlot::PointCount() const
{
    return series_->count();
}

void CLevelPlot::FitAxes()
{
    const QList<QPointF> points = series_->points();
    const double last = points.isEmpty() ? 0.0 : points.back().x();
    const double left = std::max(0.0, last - kWindowSeconds);
    time_axis_->setRange(left, left + kWindowSeconds);
    if (relative_) {
        target_->replace(0, QPointF(left, kTargetPercent));
        target_->replace(1, QPointF(left + kWindowSeconds, kTargetPercent));
    }
    // The level axis follows the values with a little room, and keeps the target in view.
    double low = relative_ ? kTargetPercent : 0.0;
    double high = low;
    if (!points.isEmpty()) {
        low = high = points.front().y();
        for (const QPointF& point : points) {
            low = std::min(low, point.y());
            high = std::max(high, point.y());
        }
        if (relative_) {
            low = std::min(low, kTargetPercent);
            high = std::max(high, kTargetPercent);
        }
    }
    const double room = std::max((high - low) * 0.1, relative_ ? 1.0 : 5.0);
    level_axis_->setRange(std::max(0.0, low - room), high + room);
    // Round ticks: the engineer reads the level off the axis.
    level_axis_->applyNiceNumbers();
}
