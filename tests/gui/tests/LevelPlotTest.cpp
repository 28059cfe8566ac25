// The live plot of the average video level: it keeps the last 60 s, follows the values with its
// level axis, and names the unit of the test's mode.
#include <QTest>
#include <QValueAxis>

#include "gui/tests/LevelPlot.h"

class LevelPlotTest : public QObject {
    Q_OBJECT
private slots:
    void KeepsTheLastMinute();
    void AxesFollowTheValuesAndTheMode();
};

void LevelPlotTest::KeepsTheLastMinute()
{
    CLevelPlot plot(nullptr);
    // 90 s of values ten times a second, starting at an arbitrary monotonic time.
    const uint64_t start = 123456789;
    for (int i = 0; i <= 900; ++i) plot.AddValue(start + 100u * i, 50.0 + (i % 10));
    QCOMPARE(plot.PointCount(), 601);
    QCOMPARE(plot.TimeAxis()->max(), 90.0);
    QCOMPARE(plot.TimeAxis()->min(), 30.0);
    plot.Restart(true);
    QCOMPARE(plot.PointCount(), 0);
    QCOMPARE(plot.TimeAxis()->min(), 0.0);
    plot.AddValue(start + 500000, 99.0);
    // A new trace starts at 0 s.
    QCOMPARE(plot.TimeAxis()->min(), 0.0);
}

void LevelPlotTest::AxesFollowTheValuesAndTheMode()
{
    CLevelPlot plot(nullptr);
    plot.Restart(true);
    QCOMPARE(plot.LevelAxis()->titleText(), QStringLiteral("Level (%)"));
    for (int i = 0; i < 10; ++i) plot.AddValue(1000u + 100u * i, 60.0 + i);
    // The target of 100 % stays in view with the values below it.
    QVERIFY(plot.LevelAxis()->min() <= 60.0);
    QVERIFY(plot.LevelAxis()->max() >= 100.0);

    plot.Restart(false);
    QCOMPARE(plot.LevelAxis()->titleText(), QStringLiteral("Level (bins)"));
    for (int i = 0; i < 10; ++i) plot.AddValue(1000u + 100u * i, 500.0 + i);
    QVERIFY(plot.LevelAxis()->min() <= 500.0 && plot.LevelAxis()->min() > 400.0);
    QVERIFY(plot.LevelAxis()->max() >= 509.0 && plot.LevelAxis()->max() < 600.0);
}

QTEST_MAIN(LevelPlotTest)
#include "LevelPlotTest.moc"
