#include "app/trace_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/param_dialog.h"
#include "app/translations.h"
#include "docview/view.h"

namespace lintra {
namespace {

// The tolerance trackbar: 0 follows the stroke width, then quarter pixels up to 6.
constexpr int kToleranceQuartersMax = 24;

// What each preset is for, as the combo box names it.
QString PresetLabel(std::string_view name) {
    if (name == "drawing") return Tr("线条图（中心线）");
    if (name == "scan") return Tr("扫描件或照片（中心线）");
    if (name == "outline") return Tr("实心图形的轮廓");
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

std::size_t Entities(const cad::Drawing& drawing) {
    return drawing.lines.size() + drawing.arcs.size() + drawing.circles.size() + drawing.polylines.size();
}

TrackBar* NewBar(int min, int max, int value, const char* name, QWidget* parent) {
    auto* bar = new TrackBar(parent);
    bar->setObjectName(QLatin1String(name));
    bar->setRange(min, max);
    bar->setValue(value);
    bar->setMinimumWidth(240);
    return bar;
}

}  // namespace

TraceChoices LoadTraceChoices(QSettings& settings) {
    TraceChoices choices;
    const QString preset = settings.value(QStringLiteral("trace/preset")).toString();
    // A name no preset has any more goes back to automatic.
    if (FindPreset(preset.toStdString()) != nullptr) choices.preset = preset;
    choices.sensitivity = std::clamp(settings.value(QStringLiteral("trace/sensitivity"), 0).toInt(),
                                     kSensitivityMin, kSensitivityMax);
    choices.detailPercent = std::clamp(settings.value(QStringLiteral("trace/detail"), 100).toInt(),
                                       kDetailPercentMin, kDetailPercentMax);
    choices.toleranceQuarters = std::clamp(
        settings.value(QStringLiteral("trace/toleranceQuarters"), 0).toInt(), 0, kToleranceQuartersMax);
    return choices;
}

void SaveTraceChoices(QSettings& settings, const TraceChoices& choices) {
    settings.setValue(QStringLiteral("trace/preset"), choices.preset);
    settings.setValue(QStringLiteral("trace/sensitivity"), choices.sensitivity);
    settings.setValue(QStringLiteral("trace/detail"), choices.detailPercent);
    settings.setValue(QStringLiteral("trace/toleranceQuarters"), choices.toleranceQuarters);
}

TraceDialog::TraceDialog(CLintraView& view, QSettings& settings, TraceDialogHost host, QWidget* parent)
    : QDialog(parent),
      m_view(view),
      m_settings(settings),
      m_host(std::move(host)),
      m_picture(CopyPicture(view.OriginalImage().View(), view.Geometry())) {
    setWindowTitle(Tr("一键矢量化"));
    setObjectName(QStringLiteral("traceDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    const TraceChoices choices = LoadTraceChoices(settings);

    m_preset = new QComboBox(this);
    m_preset->setObjectName(QStringLiteral("preset"));
    m_preset->addItem(Tr("自动"), QString());
    for (const Preset& preset : Presets())
        m_preset->addItem(PresetLabel(preset.name),
                          QString::fromUtf8(preset.name.data(), preset.name.size()));
    m_preset->setCurrentIndex(std::max(0, m_preset->findData(choices.preset)));

    m_sensitivity = NewBar(kSensitivityMin, kSensitivityMax, choices.sensitivity, "sensitivity", this);
    m_detail = NewBar(kDetailPercentMin, kDetailPercentMax, choices.detailPercent, "detail", this);
    m_detail->setSingleStep(5);
    m_tolerance = NewBar(0, kToleranceQuartersMax, choices.toleranceQuarters, "tolerance", this);
    m_sensitivityText = new QLabel(this);
    m_detailText = new QLabel(this);
    m_toleranceText = new QLabel(this);
    for (QLabel* label : {m_sensitivityText, m_detailText, m_toleranceText}) label->setMinimumWidth(150);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summary"));

    auto row = [this](TrackBar* bar, QLabel* text) {
        auto* line = new QHBoxLayout;
        line->addWidget(bar, 1);
        line->addWidget(text);
        return line;
    };
    auto* form = new QFormLayout;
    form->addRow(Tr("预设："), m_preset);
    form->addRow(Tr("阈值灵敏度："), row(m_sensitivity, m_sensitivityText));
    form->addRow(Tr("最小细节："), row(m_detail, m_detailText));
    form->addRow(Tr("拟合容差："), row(m_tolerance, m_toleranceText));

    m_export = new QPushButton(Tr("导出DXF/SVG..."), this);
    m_export->setObjectName(QStringLiteral("export"));
    m_keep = new QPushButton(Tr("保留"), this);
    m_keep->setObjectName(QStringLiteral("keep"));
    m_keep->setDefault(true);
    m_cancelButton = new QPushButton(Tr("取消"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_export);
    buttons->addStretch(1);
    buttons->addWidget(m_keep);
    buttons->addWidget(m_cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_summary);
    layout->addLayout(buttons);

    m_coalesce = new QTimer(this);
    m_coalesce->setSingleShot(true);
    m_coalesce->setInterval(kCoalesceMs);
    connect(m_coalesce, &QTimer::timeout, this, &TraceDialog::StartPreview);
    connect(m_preset, &QComboBox::currentIndexChanged, this, &TraceDialog::Changed);
    for (TrackBar* bar : {m_sensitivity, m_detail, m_tolerance})
        connect(bar, &QSlider::valueChanged, this, &TraceDialog::Changed);
    connect(m_keep, &QPushButton::clicked, this, &TraceDialog::Keep);
    connect(m_export, &QPushButton::clicked, this, &TraceDialog::Export);
    connect(m_cancelButton, &QPushButton::clicked, this, &TraceDialog::reject);

    UpdateLabels();
    m_worker = std::thread([this] { WorkerLoop(); });
    StartPreview();
}

TraceDialog::~TraceDialog() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_cancel = true;
    }
    m_wake.notify_one();
    m_worker.join();
    // A preview left in the view would outlive the dialog that can end it.
    if (m_view.TracePreview()) {
        m_view.ClearTracePreview();
        if (m_host.repaint) m_host.repaint();
    }
}

TraceChoices TraceDialog::Choices() const {
    return {m_preset->currentData().toString(), m_sensitivity->value(), m_detail->value(),
            m_tolerance->value()};
}

const Preset* TraceDialog::EffectivePreset() const {
    const QString name = m_preset->currentData().toString();
    return name.isEmpty() ? m_chosen : FindPreset(name.toStdString());
}

TraceSettings TraceDialog::Settings() const {
    TraceSettings settings;
    settings.sensitivity = m_sensitivity->value();
    settings.detailPercent = m_detail->value();
    settings.tolerance = m_tolerance->value() == 0 ? kAutoTolerance : m_tolerance->value() / 4.0;
    return settings;
}

void TraceDialog::UpdateLabels() {
    const int s = m_sensitivity->value();
    m_sensitivityText->setText(s == 0 ? Tr("0（预设）")
                                      : (s > 0 ? QStringLiteral("+%1") : QStringLiteral("%1")).arg(s));
    const int d = m_detail->value();
    m_detailText->setText(d == 100 ? Tr("100%（预设）") : QStringLiteral("%1%").arg(d));
    const int t = m_tolerance->value();
    m_toleranceText->setText(t == 0 ? Tr("自动（按笔画宽度）") : Tr("%1 像素").arg(t / 4.0, 0, 'f', 2));
}

void TraceDialog::Changed() {
    UpdateLabels();
    // A drag sends many changes: the first starts the clock, the others
    // join it, so a preview follows the thumb every few tens of milliseconds.
    if (!m_coalesce->isActive()) m_coalesce->start();
}

void TraceDialog::StartPreview() {
    if (m_picture->pixels.empty()) return;
    Request request;
    request.generation = ++m_generation;
    request.preset = EffectivePreset();
    if (m_preset->currentData().toString().isEmpty()) request.preset = nullptr;
    request.settings = Settings();
    request.cad = m_view.CadSettings().options;
    const int w = m_picture->width, h = m_picture->height;
    if (std::int64_t{w} * h > kQuickPreviewPixels) {
        const PixelRect visible = m_host.visibleArea ? m_host.visibleArea() : PixelRect{0, 0, w, h};
        request.quick = PreviewRegion(visible, w, h, kQuickPreviewPixels);
        if (request.quick == PixelRect{0, 0, w, h}) request.quick = {};
    }
    m_summary->setText(Tr("计算中..."));
    {
        std::lock_guard lock(m_mutex);
        m_pending = request;
        m_cancel = true;  // the work in hand is out of date
    }
    m_wake.notify_one();
}

void TraceDialog::WorkerLoop() {
    // The automatic choice and each preset's stroke width, worked out once:
    // the copy never changes, and measuring takes a pass over the whole page.
    const Preset* chosen = nullptr;
    std::map<const Preset*, double> strokeWidths;
    for (;;) {
        Request request;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_quit || m_pending.has_value(); });
            if (m_quit) return;
            request = *m_pending;
            m_pending.reset();
            m_cancel = false;
        }
        auto post = [this, &request](TracePreview preview, bool complete, const Preset* preset) {
            QMetaObject::invokeMethod(
                this,
                [this, generation = request.generation, preview = std::move(preview), complete,
                 preset]() mutable { ShowPreview(generation, std::move(preview), complete, preset); },
                Qt::QueuedConnection);
        };
        try {
            const Preset* preset = request.preset;
            if (preset == nullptr) {
                if (chosen == nullptr) chosen = &ChoosePreset(m_picture->View());
                preset = chosen;
            }
            TraceSettings settings = request.settings;
            if (auto known = strokeWidths.find(preset); known != strokeWidths.end())
                settings.strokeWidth = known->second;
            if (!request.quick.empty()) {
                TracePreview quick =
                    PreviewTrace(*m_picture, *preset, settings, request.quick, request.cad, &m_cancel);
                if (quick.cancelled) continue;
                settings.strokeWidth = strokeWidths[preset] = quick.strokeWidth;
                post(std::move(quick), false, preset);
            }
            TracePreview whole =
                PreviewTrace(*m_picture, *preset, settings, {0, 0, m_picture->width, m_picture->height},
                             request.cad, &m_cancel);
            if (whole.cancelled) continue;
            strokeWidths[preset] = whole.strokeWidth;
            post(std::move(whole), true, preset);
        } catch (const std::bad_alloc&) {
            // No memory for a copy: no preview; 保留 still traces the picture.
        }
    }
}

void TraceDialog::ShowPreview(std::uint64_t generation, TracePreview preview, bool complete,
                              const Preset* chosen) {
    if (generation != m_generation) return;  // a later change is on its way
    if (m_preset->currentData().toString().isEmpty() && m_chosen != chosen) {
        m_chosen = chosen;
        m_preset->setItemText(0, Tr("自动（%1）").arg(PresetLabel(chosen->name)));
    }
    const QString text = (complete ? Tr("整页：%1 个图元，笔画宽度 %2 像素")
                                   : Tr("可见部分：%1 个图元，笔画宽度 %2 像素，整页计算中..."))
                             .arg(Entities(preview.drawing))
                             .arg(preview.strokeWidth, 0, 'f', 1);
    m_summary->setText(text);
    m_view.SetTracePreview(preview.drawing);
    m_shown = std::move(preview);
    if (m_host.repaint) m_host.repaint();
    emit previewShown(complete);
}

void TraceDialog::StopPreview() {
    {
        std::lock_guard lock(m_mutex);
        m_pending.reset();
        m_cancel = true;
    }
    ++m_generation;  // results still on their way are dropped
    m_coalesce->stop();
    m_view.ClearTracePreview();
    if (m_host.repaint) m_host.repaint();
}

void TraceDialog::Keep() {
    SaveTraceChoices(m_settings, Choices());
    const Preset* preset = EffectivePreset();
    if (preset == nullptr) preset = &ChoosePreset(m_view.OriginalImage().View());
    StopPreview();
    const TraceSettings settings = Settings();
    auto run = [this, preset, settings] {
        RunPreset(m_view, *preset, settings);
        m_view.SetShowCadDrawing(true);
    };
    if (m_host.runLong)
        m_host.runLong(run);
    else
        run();
    if (m_host.repaint) m_host.repaint();
    accept();
}

void TraceDialog::Export() {
    // The dialog is closed by then; the export is the program's.
    const std::function<void()> exportCad = m_host.exportCad;
    Keep();
    if (exportCad) exportCad();
}

void TraceDialog::reject() {
    StopPreview();
    QDialog::reject();
}

}  // namespace lintra
