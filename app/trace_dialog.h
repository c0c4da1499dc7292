// The trace dialog of 一键矢量化...: the preset (automatic or one of the
// three), its threshold sensitivity, smallest detail kept and fit tolerance
// on three trackbars, and the fitted drawing they give shown over the
// picture in the view as they move. Each change is worked out on a thread
// of its own from a copy of the picture: the part of the page in view
// first when it is large, then the whole page; a change made meanwhile
// stops the work in hand at its next step. 保留 runs the trace on the
// picture itself (so every command, the CAD export included, acts on it),
// 导出... does that and opens the CAD export, 取消 leaves the picture as it
// was. The choices persist in the settings under "trace/".
#pragma once

#include <QDialog>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "docview/trace_preview.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSettings;
class QTimer;

namespace lintra {

class CLintraView;
class TrackBar;

// The dialog's choices as they are stored.
struct TraceChoices {
    QString preset;  // "" for automatic, else a preset's name
    int sensitivity = 0;
    int detailPercent = 100;
    int toleranceQuarters = 0;  // the tolerance in quarter pixels; 0 follows the stroke width
};
TraceChoices LoadTraceChoices(QSettings& settings);
void SaveTraceChoices(QSettings& settings, const TraceChoices& choices);

// What the dialog needs from the program around it.
struct TraceDialogHost {
    std::function<PixelRect()> visibleArea;                     // the picture's part in view
    std::function<void()> repaint;                              // the view shows the preview again
    std::function<void(const std::function<void()>&)> runLong;  // a long run, with the busy notice
    std::function<void()> exportCad;                            // the CAD export command
};

class TraceDialog : public QDialog {
    Q_OBJECT
public:
    // The most pixels the first, quick preview of a change traces.
    static constexpr std::int64_t kQuickPreviewPixels = 1'200'000;
    // Changes closer together than this make one preview.
    static constexpr int kCoalesceMs = 40;

    TraceDialog(CLintraView& view, QSettings& settings, TraceDialogHost host, QWidget* parent);
    ~TraceDialog() override;

    QComboBox* PresetBox() const { return m_preset; }
    TrackBar* SensitivityBar() const { return m_sensitivity; }
    TrackBar* DetailBar() const { return m_detail; }
    TrackBar* ToleranceBar() const { return m_tolerance; }
    QPushButton* KeepButton() const { return m_keep; }
    QPushButton* ExportButton() const { return m_export; }
    QPushButton* CancelButton() const { return m_cancelButton; }
    QLabel* SummaryLabel() const { return m_summary; }

    TraceChoices Choices() const;
    // The preset the choices name, or the one chosen for the picture when
    // automatic (null until the first preview has chosen it).
    const Preset* EffectivePreset() const;
    // The latest preview shown, if any.
    const std::optional<TracePreview>& LastPreview() const { return m_shown; }

    void reject() override;

signals:
    // A preview has been put in the view: of the whole page when complete,
    // else of the part in view.
    void previewShown(bool complete);

private:
    struct Request {
        std::uint64_t generation = 0;
        const Preset* preset = nullptr;  // null: choose for the picture
        TraceSettings settings;
        PixelRect quick;  // traced first; empty when the whole page is quick enough
        CadOptions cad;
    };

    void Changed();
    void StartPreview();
    void ShowPreview(std::uint64_t generation, TracePreview preview, bool complete, const Preset* chosen);
    void UpdateLabels();
    TraceSettings Settings() const;
    // Ends the preview: the thread stops, the view shows its own images.
    void StopPreview();
    void Keep();
    void Export();
    void WorkerLoop();

    CLintraView& m_view;
    QSettings& m_settings;
    TraceDialogHost m_host;
    std::shared_ptr<const PictureCopy> m_picture;

    QComboBox* m_preset;
    TrackBar* m_sensitivity;
    TrackBar* m_detail;
    TrackBar* m_tolerance;
    QLabel* m_sensitivityText;
    QLabel* m_detailText;
    QLabel* m_toleranceText;
    QLabel* m_summary;
    QPushButton* m_keep;
    QPushButton* m_export;
    QPushButton* m_cancelButton;
    QTimer* m_coalesce;

    std::uint64_t m_generation = 0;
    std::optional<TracePreview> m_shown;
    const Preset* m_chosen = nullptr;                // the automatic choice for the picture
    std::map<const Preset*, double> m_strokeWidths;  // measured per preset on the picture

    // The worker: it takes the newest request, traces, posts the result.
    std::thread m_worker;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Request> m_pending;
    bool m_quit = false;
    std::atomic<bool> m_cancel{false};
};

}  // namespace lintra
