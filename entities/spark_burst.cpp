// SparkBurst: updating, drawing and deleting a burst's sparks.
#include "entities/spark_burst.h"

#include "entities/spark.h"

SparkBurst::~SparkBurst() {
    for (Spark* spark : sparks_) delete spark;
    sparks_.clear();
}

void SparkBurst::update(int32_t dt) {
    bool allDead = true;
    for (Spark* spark : sparks_) {
        spark->update(dt);
        if (!spark->isDead()) allDead = false;
    }
    // Dead sparks stay listed until the burst is deleted.
    if (allDead) finished_ = true;
}

void SparkBurst::draw(Canvas* canvas) const {
    for (const Spark* spark : sparks_) spark->draw(canvas);
}
