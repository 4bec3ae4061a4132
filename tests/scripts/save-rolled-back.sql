-- The engine rolls back the whole transaction of a save when it writes the available
-- quantity of 24001IC04000123A 1/0, or deletes declaration 24001IC04000123A (as it does
-- by itself on a full disk).
CREATE TRIGGER ROLLS_BACK_AVAILABLE AFTER UPDATE OF ARTDSC ON ARTICULOS
WHEN NEW.INTNDC = '24001IC04000123A' AND NEW.ARTINO = 1
BEGIN SELECT RAISE(ROLLBACK, 'database or disk is full'); END;
CREATE TRIGGER ROLLS_BACK_DECLARATION AFTER DELETE ON OPERACIONES
WHEN OLD.INTNDC = '24001IC04000123A'
BEGIN SELECT RAISE(ROLLBACK, 'database or disk is full'); END;
