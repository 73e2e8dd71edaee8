// The online exchange with the score server: the table's pending scores go up, each after the
// record of the game that made it where there is one, and the server's list comes back into the
// table (ScoreTable::takeList). The whole exchange has one budget of wall time; whatever was
// not answered in it stays pending for the next.
#pragma once

class ScoreTable;

// Blocks until the exchange ends, within its budget, whatever the server does.
void exchangeScores(ScoreTable& table);
