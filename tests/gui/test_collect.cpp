#include "app/mainwindow.h"
#include "trial/subjectwindow.h"

#include "tests/gui/sessiondriver.h"

#include <QCheckBox>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

using namespace sessiondriver;

namespace {
const int kSoundTimeoutMs = 10000;
const QStringList kTokens = { "voice001_a.wav", "voice002_b.wav", "voice003_c.wav" };
const char kTrialHeader[] = "subject\tsession_type\tsession\ttrial\tfilename\tstim\tresp\t"
                            "correctness\trt\tfeedback\tautoplay";
const char kTokenHeader[] = "subject\tsession_type\tsession\tfilename\tstim\tn_mother\t"
                            "n_stranger\trt\trt_correct\trt_incorrect\tfeedback\tautoplay";

// Checks a table as pandas and R would load it: the header, then every column
// of the given type ("NA" allowed where the type is "float?").
const char kPythonCheck[] = R"(
import csv, sys
types = dict(a.split('=') for a in sys.argv[3:])
with open(sys.argv[1], newline='') as f:
    rows = list(csv.reader(f, delimiter='\t', quoting=csv.QUOTE_NONE, strict=True))
assert rows and '\t'.join(rows[0]) == sys.argv[2], rows[:1]
for row in rows[1:]:
    assert len(row) == len(rows[0]), row
    for name, value in zip(rows[0], row):
        kind = types.get(name, 'str')
        if kind == 'float?' and value == 'NA':
            continue
        {'int': int, 'float': float, 'float?': float, 'str': str}[kind](value)
print(len(rows) - 1)
)";

QStringList readLines(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n')
                                          : QStringList();
}

struct Run
{
    int status = -1;
    QString out, err;
};

Run runProgram(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    Run run;
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
} // namespace

// Sessions saved by the real windows, collected by tellwyn-tokens into the
// tables researchers load into R or pandas.
class TestCollect : public QObject
{
    Q_OBJECT

    QTemporaryDir workDir;
    QString tokenFolder, out;
    MainWindow *w = nullptr;
    DialogPilot *pilot = nullptr;

    // Prepares a session, "Go", "I am ready", then answers the first trials,
    // "Mother" and "Stranger" in turn; saves as saveAs when they are all.
    void runSession(QPushButton *prepareButton, int sesNum, bool feedBack, int answers,
                    const QString &saveAs = QString())
    {
        part<QLineEdit>(w, "lineEditSesNum")->setText(QString::number(sesNum));
        part<QLineEdit>(w, "lineEditNTimes")->setText("1");
        part<QCheckBox>(w, "checkBoxFeedBack")->setChecked(feedBack);
        pilot->chooseFolder(tokenFolder);
        prepareButton->click();
        QVERIFY2(pilot->clean() && part<QPushButton>(w, "pushButtonGo")->isEnabled(),
                 pilot->errors());
        if (!saveAs.isEmpty())
            pilot->saveAs(saveAs);
        part<QPushButton>(w, "pushButtonGo")->click();
        SubjectWindow *sw = w->currentSubjectWindow();
        sw->pushButtonIAmReady->click();
        for (int k = 0; k < answers; ++k) {
            QTRY_VERIFY_WITH_TIMEOUT(sw->pushButtonChoice2->isEnabled(), kSoundTimeoutMs);
            (k % 2 ? sw->pushButtonChoice4 : sw->pushButtonChoice2)->click();
        }
    }
    // Closes the subject window, confirmed, and sees every dialog answered.
    void closeSubjectWindow()
    {
        pilot->answerBox("Confirmation MessageBox", QMessageBox::Yes);
        w->currentSubjectWindow()->close();
        QTRY_VERIFY2(pilot->clean(), pilot->errors());
        QVERIFY(w->isEnabled());
    }
    Run collect(const QStringList &args)
    {
        return runProgram(QDir::current().filePath("tellwyn-tokens"),
                          QStringList("collect") + args);
    }
    // The table parses with Python's csv module, with these column types.
    void checkParses(const QString &table, const char *header, const QStringList &types, int rows)
    {
        const Run python =
                runProgram("python3", QStringList { "-c", kPythonCheck, table, header } + types);
        QVERIFY2(python.status == 0, qPrintable(python.err));
        QCOMPARE(python.out.trimmed().toInt(), rows);
    }

private slots:
    void initTestCase()
    {
        tokenFolder = workDir.filePath("tokens");
        out = workDir.filePath("results") + '/';
        QVERIFY(QDir().mkpath(tokenFolder));
        for (int i = 0; i < kTokens.size(); ++i)
            QVERIFY(writeWav(tokenFolder + '/' + kTokens[i], offsetTone(4800, 440 + 220 * i)));
        QVERIFY(QFile::exists("tellwyn-tokens"));
    }

    void collectsSavedSessions()
    {
        w = new MainWindow;
        w->show();
        pilot = new DialogPilot;
        auto done = qScopeGuard([this] {
            // The session's audio objects go first, as the program's event loop lets them.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            delete pilot, delete w;
        });
        part<QLineEdit>(w, "lineEditSubCode")->setText("SUB001");

        // A whole practice session numbered 2, then an experiment numbered 1
        // that the subject window ends after two answers: sorted by session
        // type first, and the early one holds the answers given.
        runSession(part<QPushButton>(w, "pushButtonPractice"), 2, true, 3, out + "a/run.txt");
        QTRY_VERIFY2(pilot->clean(), pilot->errors());
        closeSubjectWindow();
        runSession(part<QPushButton>(w, "pushButtonExperiment"), 1, false, 2);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(part<QLineEdit>(w, "lineEditOutputFileName")->text(),
                 QString("SUB001_experiment001.txt"));
        pilot->answerBox("Confirmation MessageBox", QMessageBox::Yes);
        pilot->answerBox("Question", QMessageBox::Yes);
        pilot->saveAs(out + "b/deep/early.txt");
        w->currentSubjectWindow()->close();
        QTRY_VERIFY2(pilot->clean(), pilot->errors());

        // A copy of the first set cut short while copied, and one without its
        // records file: both named and left out whole.
        const QStringList files = { "run.txt", "run_entries.txt", "run_parameters.txt" };
        for (const char *dir : { "cut", "missing" }) {
            QVERIFY(QDir().mkpath(out + dir));
            for (const QString &name : files)
                QVERIFY(QFile::copy(out + "a/" + name, out + dir + '/' + name));
        }
        const QString cutEntries = readLines(out + "cut/run_entries.txt").join('\n');
        QFile cut(out + "cut/run_entries.txt");
        QVERIFY(cut.resize(cutEntries.lastIndexOf('\t', cutEntries.lastIndexOf('\t') - 1)));
        QVERIFY(QFile::remove(out + "missing/run.txt"));

        // The expected tables, from the files the sessions wrote.
        QString trials = QString(kTrialHeader) + '\n', tokens = QString(kTokenHeader) + '\n';
        const QVector<QStringList> sets = { { "a/run", "practice\t2", "1\t1" },
                                            { "b/deep/early", "experiment\t1", "0\t1" } };
        for (const QStringList &set : sets) {
            const QString prefix = "SUB001\t" + set[1] + '\t';
            const QStringList entries = readLines(out + set[0] + "_entries.txt").mid(1);
            for (int i = 0; i < entries.size(); ++i)
                trials +=
                        prefix + QString::number(i + 1) + '\t' + entries[i] + '\t' + set[2] + '\n';
            for (const QString &line : readLines(out + set[0] + ".txt").mid(1)) {
                QStringList f = line.split('\t');
                const bool mother = f[0].contains("001");
                const int nRight = mother ? f[1].toInt() : f[2].toInt();
                const int nWrong = mother ? f[2].toInt() : f[1].toInt();
                f.insert(1, mother ? "mother" : "stranger");
                f[4] = nRight + nWrong ? f[4] : "NA";
                f[5] = nRight ? f[5] : "NA";
                f[6] = nWrong ? f[6] : "NA";
                tokens += prefix + f.join('\t') + '\t' + set[2] + '\n';
            }
        }
        QCOMPARE(trials.count('\n'), 1 + 3 + 2);
        QVERIFY2(tokens.contains("\tNA\t"), "the early session left a token unanswered");

        const Run all = collect({ out, "-o", out + "trials.tsv" });
        QCOMPARE(all.status, 1);
        QCOMPARE(readLines(out + "trials.tsv").join('\n'), trials);
        QVERIFY2(all.err.contains("skipped " + out
                                  + "cut/run: run_entries.txt line 4: 3 columns "
                                    "instead of 5\n")
                         && all.err.contains("skipped " + out + "missing/run: run.txt is missing\n")
                         && all.err.contains(out + "b/deep/early: 2 of 3 trials")
                         && all.err.contains("collected 5 trials of 2 sessions; 2 left out"),
                 qPrintable(all.err));
        checkParses(out + "trials.tsv", kTrialHeader,
                    { "session=int", "trial=int", "correctness=int", "rt=float", "feedback=int",
                      "autoplay=int" },
                    5);

        const Run perToken = collect({ "--per-token", out + "a", out + "b" });
        QCOMPARE(perToken.status, 0);
        QCOMPARE(perToken.out, tokens);
        QFile table(out + "tokens.tsv");
        QVERIFY(table.open(QIODevice::WriteOnly) && table.write(perToken.out.toUtf8()) > 0);
        table.close();
        checkParses(table.fileName(), kTokenHeader,
                    { "session=int", "n_mother=int", "n_stranger=int", "rt=float?",
                      "rt_correct=float?", "rt_incorrect=float?", "feedback=int", "autoplay=int" },
                    6);

        // --timing: two more columns from each set's timing file, joined by
        // trial number; empty, and noted, for a set saved without one.
        QVERIFY(QFile::remove(out + "b/deep/early_timing.txt"));
        const Run timed = collect({ "--timing", out + "a", out + "b" });
        const QStringList timing = readLines(out + "a/run_timing.txt").mid(1);
        const QStringList rows = trials.split('\n').mid(1, 5); // 3 of a/run, 2 of b/deep/early
        QString timedTrials = QString(kTrialHeader) + "\tonset_error_ms\toutput_latency_ms\n";
        for (int i = 0; i < rows.size(); ++i)
            timedTrials +=
                    rows[i] + '\t' + (i < 3 ? timing.value(i).section('\t', 4, 5) : "\t") + '\n';
        QCOMPARE(timing.size(), 3);
        QCOMPARE(timed.status, 0);
        QCOMPARE(timed.out, timedTrials);
        QVERIFY2(timed.err.contains(out + "b/deep/early: early_timing.txt is missing"),
                 qPrintable(timed.err));
        QCOMPARE(collect({ "--timing", "--per-token", out }).status, 2);

        // A table that cannot be written leaves nothing behind.
        QCOMPARE(collect({ out + "a", "-o", out + "a" }).status, 3);
        QCOMPARE(QDir(out + "a").entryList(QDir::Files).size(), 4);
    }
};

int main(int argc, char *argv[])
{
    return runInScratchHome<TestCollect>(argc, argv);
}

#include "test_collect.moc"
