-- Select the active users.
SELECT id, name, COUNT(*) AS total
FROM users u
where u.active = 1 AND u.name LIKE 'A%'
GROUP BY id, name;
/* block
   comment */
insert into log (msg) values ('done');
