-- The database of screen_set.txt: the three tables as the program makes them, an English profile,
-- and rows for this week, earlier weeks and months, and last year.
CREATE TABLE firstuse ('flag' INTEGER DEFAULT 0);
CREATE TABLE pedometer ('seq' INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, 'curdate' VARCHAR(10) DEFAULT NULL, 'curtime' VARCHAR(10) DEFAULT NULL, 'steps' INTEGER DEFAULT 0, 'kcal' DOUBLE DEFAULT 0, 'distance' DOUBLE DEFAULT 0, 'created_at' datetime DEFAULT NULL, 'updated_at' datetime DEFAULT NULL);
CREATE TABLE info('height' FLOAT DEFAULT 0, 'weight' FLOAT DEFAULT 0, 'gender' VARCHAR(1) default NULL, 'lang' INTEGER DEFAULT 0);
INSERT INTO firstuse VALUES(1);
INSERT INTO info VALUES(175, 65, 'M', '1');
INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES
  ('2024-03-10', '10:00', 3000, 120, 2.1), ('2024-03-11', '10:00', 7000, 280, 4.9),
  ('2024-03-13', '10:00', 6001, 240, 4.2), ('2024-03-05', '10:00', 1200, 48, 0.8),
  ('2024-02-20', '10:00', 9000, 360, 6.3), ('2024-01-15', '10:00', 4000, 160.4, 2.8),
  ('2023-11-02', '10:00', 12000, 480, 8.4), ('2023-06-30', '10:00', 2500, 100, 1.75);
