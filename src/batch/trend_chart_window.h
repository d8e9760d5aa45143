#pragma once

#include "batch/batch_statistics.h"
#include "protocol/rlc_values.h"

#include <QWidget>

#include <optional>

class BatchTracker;
class QCheckBox;
class QComboBox;
class QCPGraph;
class QCPItemRect;
class QCPItemStraightLine;
class QCustomPlot;
class QPushButton;

namespace i18n {
class TDesignedLexicon;
struct WindowLexicons;
}

// The primary value of every logged reading against its row number or its
// time, in a window of its own, not modal: the nominal as a dashed line, the
// tolerance band shaded, rejected readings in red. The wheel zooms and a drag
// pans; auto-scale follows the data until the user zooms or pans.
//
// Readings of one parameter are drawn: that of the newest row. Values are
// scaled to the prefix of the display (nF, kΩ, ...), chosen when the chart is
// built.
class TrendChartWindow : public QWidget
{
    Q_OBJECT

public:
    enum class XAxis { Row, Time };

    TrendChartWindow(const BatchTracker &rows, const i18n::TDesignedLexicon &texts,
                     const i18n::WindowLexicons &lexicons, QWidget *parent = nullptr);

    // Draws every row again.
    void rebuild();
    // One more row at the end; false when it cannot simply be added (another
    // parameter, or not after the last point), so the caller rebuilds.
    bool addRow(int row, const reading::Reading &reading);
    void setTolerance(const std::optional<BatchLimit> &limit);
    // Draws what changed, once per event-loop pass.
    void refresh();

    void setXAxis(XAxis axis);
    XAxis xAxis() const { return m_xAxis; }
    void setAutoScale(bool on);
    bool autoScale() const;

    // The chart as a PNG picture at `path`; false with `error` set on failure.
    bool savePng(const QString &path, QString *error = nullptr);

    int pointCount() const;
    int rejectedCount() const;
    QCustomPlot *plot() const { return m_plot; }

signals:
    // "Save as PNG..." was pressed; the owner asks for a file name.
    void savePngRequested();

private:
    void retranslate();
    double keyOf(int row, const reading::Reading &reading) const;
    void chooseScale(protocol::RlcParameter parameter, double magnitude);
    void showTolerance();
    void rescale();
    void updateMarkers();
    void userMovedView();

    const BatchTracker &m_rows;
    const i18n::TDesignedLexicon &m_texts;
    const i18n::WindowLexicons &m_lexicons;
    QCustomPlot *m_plot = nullptr;
    QCPGraph *m_values = nullptr;
    QCPGraph *m_rejects = nullptr;
    QCPItemRect *m_band = nullptr;
    QCPItemStraightLine *m_nominal = nullptr;
    QComboBox *m_xChoice = nullptr;
    QCheckBox *m_auto = nullptr;
    QPushButton *m_savePng = nullptr;

    XAxis m_xAxis = XAxis::Row;
    std::optional<protocol::RlcParameter> m_parameter;
    double m_scale = 1.0;         // value -> plotted number
    QString m_axisUnit;           // prefix and unit of the plotted number
    double m_lastKey = -1e300;
    std::optional<BatchLimit> m_tolerance;
    bool m_markersShown = false;
};
