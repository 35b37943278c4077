#include <QtTest>
class TestSynth : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(TestSynth)
#include "tst_synth.moc"
