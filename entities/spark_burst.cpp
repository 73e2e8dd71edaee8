// SparkBurst: updating and drawing a burst's sparks.
#include "entities/spark_burst.h"

void SparkBurst::update(int32_t dt) {
    bool allDead = true;
    for (Spark& spark : sparks_) {
        spark.update(dt);
        if (!spark.isDead()) allDead = false;
    }
    // Dead sparks stay until the burst is deleted.
    if (allDead) finished_ = true;
}

void SparkBurst::draw(Canvas* canvas) const {
    drawSparks(sparks_, canvas);
}
