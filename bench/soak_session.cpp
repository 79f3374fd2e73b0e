// A long session through the real windows and playback into the test sound
// server: 20 tokens of 20 to 50 ms, 100 times each (2000 trials), a silent
// interval of 20 ms, no feedback, answered 5 ms after each sound is over,
// results saved. Every 100 answers it samples the process's memory (VmRSS,
// VmHWM from /proc/self/status) and the playback objects the main window
// holds (audio outputs and I/O devices among its children). At the end it
// checks the three result files and that no playback object is left once the
// subject's window is closed. Prints figures; run with QT_QPA_PLATFORM=offscreen
// and a PulseAudio server (scripts/bench starts one).
//
//   soak_session [REPETITIONS]   (default 100: 2000 trials)
//
// Meant to be run under LeakSanitizer too (an -fsanitize=address build): the
// window and everything it made are destroyed before the program ends.

#include "app/mainwindow.h"
#include "trial/soundoutput.h"
#include "trial/subjectwindow.h"

#include "tests/gui/sessiondriver.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

const int kTokens = 20;
const int kSampleEvery = 100; // trials
const int kThinkMs = 5;
const int kStallMs = 15000; // no answer for this long: the session is stuck

struct Sample
{
    int trials;
    double seconds;
    long rssKb, hwmKb;
    int outputs, devices, children;
};

long statusKb(const char *field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

Sample sample(MainWindow &w, int trials, const QElapsedTimer &clock)
{
    return { trials,
             clock.elapsed() / 1000.0,
             statusKb("VmRSS:"),
             statusKb("VmHWM:"),
             w.findChildren<SoundOutput *>().size(),
             w.findChildren<QIODevice *>().size(),
             w.findChildren<QObject *>().size() };
}

// Least-squares slope of RSS over trials, in kB per 1000 trials.
double growthPer1000(const QVector<Sample> &samples)
{
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Sample &s : samples) {
        n += 1, sx += s.trials, sy += s.rssKb, sxx += double(s.trials) * s.trials;
        sxy += double(s.trials) * s.rssKb;
    }
    const double d = n * sxx - sx * sx;
    return d > 0 ? 1000 * (n * sxy - sx * sy) / d : 0;
}

QStringList lines(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n') : QStringList();
}

int run(int repetitions)
{
    QTemporaryDir work;
    const QString folder = work.filePath("tokens");
    QDir().mkpath(folder);
    for (int t = 0; t < kTokens; ++t) {
        const int frames = 960 + t * 1440 / (kTokens - 1); // 20 to 50 ms at 48 kHz
        const QString name = QString("soak_%1%2.wav").arg(t % 4 == 0 ? "001_" : "").arg(t);
        if (!sessiondriver::writeWav(folder + '/' + name,
                                     sessiondriver::offsetTone(frames, 300 + 40 * t))) {
            std::fprintf(stderr, "cannot write the tokens\n");
            return 1;
        }
    }
    const int trials = kTokens * repetitions;
    const QString out = work.filePath("out/soak.txt");

    QVector<Sample> samples;
    QElapsedTimer clock;
    int answered = 0;
    int result = 0;
    {
        MainWindow w;
        w.show();
        sessiondriver::DialogPilot pilot;
        windowparts::part<QLineEdit>(&w, "lineEditSubCode")->setText("SUB001");
        windowparts::part<QLineEdit>(&w, "lineEditNTimes")->setText(QString::number(repetitions));
        windowparts::part<QLineEdit>(&w, "lineEditSi")->setText("20");
        windowparts::part<QCheckBox>(&w, "checkBoxSaveData")->setChecked(true);
        windowparts::part<QCheckBox>(&w, "checkBoxFeedBack")->setChecked(false);
        pilot.chooseFolder(folder);
        windowparts::part<QPushButton>(&w, "pushButtonPractice")->click();
        if (!pilot.clean() || w.trialSequence().size() != trials) {
            std::fprintf(stderr, "preparation failed: %s\n", pilot.errors().constData());
            return 1;
        }
        const int childrenBefore = w.findChildren<QObject *>().size();
        windowparts::part<QPushButton>(&w, "pushButtonGo")->click();
        SubjectWindow *sw = w.currentSubjectWindow();
        // Answer each sound once it is over: "Mother" on two trials of three.
        QObject::connect(&w, &MainWindow::soundPlaying, sw, [&](int index) {
            if (index != -1)
                return;
            QTimer::singleShot(kThinkMs, sw, [&, sw] {
                // Sampled before the answer, so the last answer's save dialog
                // does not count as growth.
                if (answered % kSampleEvery == 0)
                    samples.append(sample(w, answered, clock));
                if (answered + 1 == trials)
                    pilot.saveAs(out);
                (answered % 3 == 1 ? sw->pushButtonChoice4 : sw->pushButtonChoice2)->click();
                ++answered;
            });
        });
        clock.start();
        sw->pushButtonIAmReady->click();

        int lastAnswered = -1;
        QElapsedTimer sinceProgress;
        sinceProgress.start();
        while (!(answered == trials && pilot.clean() && sw->pushButtonDone->isVisible())) {
            QTest::qWait(50);
            if (answered != lastAnswered) {
                lastAnswered = answered;
                sinceProgress.restart();
            } else if (sinceProgress.elapsed() > kStallMs) {
                std::fprintf(stderr, "stuck after %d of %d trials: %s\n", answered, trials,
                             pilot.errors().constData());
                return 1;
            }
        }
        const double sessionSeconds = clock.elapsed() / 1000.0;
        pilot.answerBox("Confirmation MessageBox", QMessageBox::Yes);
        sw->pushButtonDone->click();
        QTest::qWait(300); // deferred deletions run
        const Sample end = sample(w, answered, clock);
        if (!pilot.clean()) {
            std::fprintf(stderr, "closing failed: %s\n", pilot.errors().constData());
            return 1;
        }

        std::printf("soak_session: %d trials of %d tokens (20-50 ms), silent interval 20 ms, "
                    "%.1f s (%.1f ms a trial)\n",
                    trials, kTokens, sessionSeconds, 1000 * sessionSeconds / trials);
        std::printf("%8s %8s %10s %10s %8s %8s %9s\n", "answers", "s", "VmRSS kB", "VmHWM kB",
                    "outputs", "devices", "children");
        for (const Sample &s : samples)
            std::printf("%8d %8.1f %10ld %10ld %8d %8d %9d\n", s.trials, s.seconds, s.rssKb,
                        s.hwmKb, s.outputs, s.devices, s.children);
        // Growth after the first 500 trials, when every token has been met.
        QVector<Sample> steady;
        for (const Sample &s : samples) {
            if (s.trials >= qMin(500, trials / 2))
                steady.append(s);
        }
        std::printf("peak VmHWM %ld kB; VmRSS growth %.1f kB per 1000 trials (least squares "
                    "from answer %d); VmRSS %ld kB after 100 answers, %ld kB after %d\n",
                    end.hwmKb, growthPer1000(steady), steady.value(0).trials,
                    samples.value(1).rssKb, samples.last().rssKb, samples.last().trials);
        std::printf("after the subject window closed: %d audio outputs, %d I/O devices among the "
                    "main window's children (%d children before Go, %d now)\n",
                    end.outputs, end.devices, childrenBefore, end.children);
        std::printf("after the last answer, the save and the subject window closed: VmRSS %ld kB, "
                    "VmHWM %ld kB\n",
                    end.rssKb, end.hwmKb);
        if (end.outputs != 0)
            result = 1;

        // The result files: one entry per trial, one record per token.
        const QStringList entries = lines(work.filePath("out/soak_entries.txt"));
        const QStringList records = lines(out);
        int answers = 0;
        for (const QString &record : records.mid(1))
            answers += record.section('\t', 1, 1).toInt() + record.section('\t', 2, 2).toInt();
        const bool complete = entries.size() == trials + 1 && records.size() == kTokens + 1
                && answers == trials && QFile::exists(work.filePath("out/soak_parameters.txt"));
        std::printf("result files: %d entry rows, %d records with %d answers in all: %s\n",
                    int(entries.size()) - 1, int(records.size()) - 1, answers,
                    complete ? "complete" : "INCOMPLETE");
        if (!complete)
            result = 1;
    }
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home; // the desktop the dialogs start from
    qputenv("HOME", home.path().toLocal8Bit());
    QDir(home.path()).mkpath("Desktop");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules("default.debug=false"); // a line per answer otherwise
    const int repetitions = argc > 1 ? QByteArray(argv[1]).toInt() : 100;
    return run(repetitions > 0 ? repetitions : 100);
}
