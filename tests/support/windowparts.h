#ifndef WINDOWPARTS_H
#define WINDOWPARTS_H

// The controls and charts of a window, found by object name as the window
// names them (after their members), for the tests and benches that drive it.

#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

namespace windowparts {

// The child named name; a name the window does not have stops the program,
// saying which, rather than failing later on a null pointer.
template<class T>
T *part(const QObject *window, const char *name)
{
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return found;
}

// A chart view with its one series and its two axes.
struct Chart
{
    QtCharts::QChartView *view;
    QtCharts::QChart *chart;
    QtCharts::QLineSeries *series;
    QtCharts::QValueAxis *axisX;
    QtCharts::QValueAxis *axisY;
};

inline Chart chart(const QObject *window, const char *viewName)
{
    auto *view = part<QtCharts::QChartView>(window, viewName);
    QtCharts::QChart *chart = view->chart();
    return { view, chart, static_cast<QtCharts::QLineSeries *>(chart->series().first()),
             static_cast<QtCharts::QValueAxis *>(chart->axes(Qt::Horizontal).first()),
             static_cast<QtCharts::QValueAxis *>(chart->axes(Qt::Vertical).first()) };
}

} // namespace windowparts

#endif // WINDOWPARTS_H
